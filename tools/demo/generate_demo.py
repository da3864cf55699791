#!/usr/bin/env python3
"""Generates the demo school's tables (the CSV files beside this script) and README.md.

Deterministic: a fixed seed, nothing from the clock. The tables are written in the form that
`gradebook-data dump` prints (fields in declaration order, shortest numbers, quotes only where
needed, LF line ends), so that building the demo and dumping it gives these files back byte for
byte. Run it again after changing it and commit its output:

    python3 tools/demo/generate_demo.py
"""

import decimal
import math
import os
import random

HERE = os.path.dirname(os.path.abspath(__file__))
SEED = 20241210
PERIODO = "2024-2"

CIUDADES = ["Guadalajara", "Mérida", "León", "Querétaro", "Morelia", "Córdoba"]

UNIDADES_ACADEMICAS = ["Facultad de Informática", "Facultad de Ingeniería", "Escuela de Contaduría y Administración"]

PROGRAMAS_ALUMNO = ["Escolarizado", "Semiescolarizado", "Intercambio académico"]

# (description, academic unit of its students)
PROGRAMAS_ACADEMICOS = [
    ("Licenciatura en Informática", 1),
    ("Ingeniería de Software", 2),
    ("Licenciatura en Contaduría", 3),
]
GRUPOS = ["1A", "1B", "2A", "2B"]

CAPTIONS_CLASSIC = ("PORTAFOLIO", "EXAMEN", "PARTICIPACIÓN", "ENSAYO")
# (description, four weights, four captions)
UNIDADES_APRENDIZAJE = [
    ("Programación Estructurada", (30, 20, 20, 30), CAPTIONS_CLASSIC),
    ("Matemáticas Discretas", (25, 25, 25, 25), CAPTIONS_CLASSIC),
    ("Bases de Datos", (40, 30, 10, 20), ("PROYECTO", "EXAMEN", "PRÁCTICAS", "TAREAS")),
    ("Cálculo Diferencial", (35, 35, 15, 15), CAPTIONS_CLASSIC),
    ("Contabilidad Básica", (20, 50, 10, 20), ("PORTAFOLIO", "EXAMEN PARCIAL", "EXPOSICIÓN", "REPORTE")),
    ("Redes de Computadoras", (30, 40, 10, 20), ("PRÁCTICAS", "EXAMEN", "PARTICIPACIÓN", "PROYECTO")),
    ("Ética Profesional", (15, 45, 20, 20), CAPTIONS_CLASSIC),
    ("Estadística", (10, 60, 10, 20), ("TAREAS", "EXAMEN", "PARTICIPACIÓN", "ENSAYO")),
    ("Inglés Técnico", (33, 33, 17, 17), ("PORTAFOLIO", "EXAMEN ORAL", "PARTICIPACIÓN", "REDACCIÓN")),
    ("Derecho Fiscal", (45, 25, 5, 25), ("CASOS", "EXAMEN", "PARTICIPACIÓN", "ENSAYO")),
]
# The five learning units of each programme's groups (indexes into the list above).
UNIDADES_DE_PROGRAMA = [
    [0, 1, 3, 7, 8],
    [0, 2, 5, 6, 1],
    [4, 9, 7, 6, 8],
]

# (key, name, password); the last teacher has no grade records.
MAESTROS = [
    (1001, "María Fernanda Núñez Peña", "sol2024"),
    (1002, "José Ángel Ibáñez Ruiz", "luna77"),
    (1003, "Begoña Martínez Ortiz", "Canción9"),
    (1004, "Óscar Muñoz Salas", "Mango22"),
    (1005, "Lucía Peña Castillo", "tigre"),
    (1006, "Raúl Jiménez Ávila", "Rio8"),
    (1007, "Inés Martinez Duarte", "aula305"),
    (1008, "Tomás Ñíguez Robles", "pino42"),
]

NOMBRES = [
    ("Ángel", 1), ("Begoña", 2), ("Íñigo", 1), ("Sofía", 2), ("María José", 2), ("José Luis", 1),
    ("Lucía", 2), ("Andrés", 1), ("Ramón", 1), ("Inés", 2), ("Raúl", 1), ("Mónica", 2), ("Julián", 1),
    ("Verónica", 2), ("Óscar", 1), ("Valeria", 2), ("Daniel", 1), ("Fernanda", 2), ("Jesús", 1),
    ("Zoé", 2), ("Hugo", 1), ("Paula", 2), ("Elena", 2), ("Adrián", 1), ("Camila", 2), ("Tomás", 1),
    ("Nicolás", 1), ("Martín", 1), ("Víctor", 1), ("Jimena", 2), ("Renata", 2), ("Emilio", 1),
]
APELLIDOS = [
    "Martínez", "Martinez", "García", "López", "Hernández", "González", "Pérez", "Perez", "Sánchez",
    "Ramírez", "Torres", "Flores", "Rivera", "Gómez", "Díaz", "Cruz", "Morales", "Reyes", "Gutiérrez",
    "Ortiz", "Muñoz", "Peña", "Pena", "Núñez", "Castillo", "Jiménez", "Ruiz", "Álvarez", "Romero",
    "Vázquez", "Ávila", "Ibáñez", "Olvera", "Ñíguez", "Aguilar", "Mendoza",
]
# Placed first in the first group, so that its list shows how the collating sequence orders them.
ALUMNOS_A_LA_VISTA = [
    ("Martínez Ruiz Sofía", 2), ("Martinez Ruiz Sofía", 2), ("Peña Gómez Íñigo", 1), ("Pena Gómez Íñigo", 1),
    ("Perez Olvera Ángel", 1), ("Núñez Ávila Begoña", 2), ("Muñoz Ibáñez Ángel", 1), ("Ávila Cruz Zoé", 2),
]
ALUMNOS_POR_GRUPO = 25


def shortest(x):
    """The text std::to_chars gives a double: its shortest round-trip digits, in fixed or
    scientific form, whichever is shorter (fixed on a tie)."""
    if x == 0:
        return "-0" if math.copysign(1.0, x) < 0 else "0"
    sign, digits, exponent = decimal.Decimal(repr(x)).as_tuple()
    digits = list(digits)
    while len(digits) > 1 and digits[-1] == 0:
        digits.pop()
        exponent += 1
    text = "".join(map(str, digits))
    n = len(text)
    scientific_exponent = exponent + n - 1
    mantissa = text[0] + ("." + text[1:] if n > 1 else "")
    scientific = "%se%s%02d" % (mantissa, "-" if scientific_exponent < 0 else "+", abs(scientific_exponent))
    if exponent >= 0:
        fixed = text + "0" * exponent
    elif -exponent >= n:
        fixed = "0." + "0" * (-exponent - n) + text
    else:
        fixed = text[: n + exponent] + "." + text[n + exponent:]
    chosen = fixed if len(fixed) <= len(scientific) else scientific
    return ("-" if sign else "") + chosen


def csv_field(value):
    if isinstance(value, float):
        return shortest(value)
    text = str(value)
    if any(c in text for c in ',"\r\n') or text[:1] == " " or text[-1:] == " ":
        return '"' + text.replace('"', '""') + '"'
    return text


def write_table(label, header, rows):
    with open(os.path.join(HERE, label + ".csv"), "w", encoding="utf-8", newline="") as out:
        out.write(",".join(header) + "\n")
        for row in rows:
            assert len(row) == len(header)
            out.write(",".join(csv_field(v) for v in row) + "\n")


def weighted(score, weight):
    # The grade rule: the quotient weight / 100 first, then the product, unrounded.
    return score * (weight / 100.0)


def grade(scores, weights):
    parts = [weighted(float(s), w) for s, w in zip(scores, weights)]
    promedio = ((parts[0] + parts[1]) + parts[2]) + parts[3]
    return parts, promedio


def scores_for(kind, weights, ability, rnd):
    if kind == "ungraded":
        return (0, 0, 0, 0)
    if kind == "sixty":
        candidates = [(60, 60, 60, 60)]
        while True:
            for scores in candidates:
                if grade(scores, weights)[1] == 60.0:
                    return scores
            candidates = [tuple(rnd.randint(40, 85) for _ in range(4)) for _ in range(200)]
    if kind == "almost":
        while True:
            scores = tuple(rnd.randint(45, 80) for _ in range(4))
            if 59.0 < grade(scores, weights)[1] < 60.0:
                return scores
    return tuple(max(0, min(100, round(rnd.gauss(ability, 11)))) for _ in range(4))


def main():
    rnd = random.Random(SEED)

    write_table("CIUDAD", ["ID_CIU", "DESCRIPCION"], [(i + 1, d) for i, d in enumerate(CIUDADES)])
    write_table("UNIDAD_ACADEMICA", ["ID_UACA", "DESCRIPCION"],
                [(i + 1, d) for i, d in enumerate(UNIDADES_ACADEMICAS)])
    write_table("PROGRAMA_ALUMNO", ["ID_PALU", "DESCRIPCION"], [(i + 1, d) for i, d in enumerate(PROGRAMAS_ALUMNO)])
    write_table("PROGRAMA_ACADEMICO", ["ID_PACA", "DESCRIPCION"],
                [(i + 1, d) for i, (d, _) in enumerate(PROGRAMAS_ACADEMICOS)])
    write_table("UNIDAD_APRENDIZAJE",
                ["ID_UAPR", "DESCRIPCION", "POR_UNO", "POR_DOS", "POR_TRES", "POR_CUATRO", "DESC_UNO", "DESC_DOS",
                 "DESC_TRES", "DESC_CUATRO", "RUT_IMAGEN"],
                [(i + 1, d) + tuple(w) + tuple(c) + ("",) for i, (d, w, c) in enumerate(UNIDADES_APRENDIZAJE)])
    for _, weights, captions in UNIDADES_APRENDIZAJE:
        assert sum(weights) == 100 and all(len(c) <= 20 for c in captions)
    write_table("ZOLBRANS", ["ID_MAE", "CLAVE", "NOMBRE", "PASSWORD"],
                [(i + 1, k, n, p) for i, (k, n, p) in enumerate(MAESTROS)])
    assert all(len(p) <= 10 for _, _, p in MAESTROS)

    # Students: 25 in each (programme, group) pair.
    used = {name for name, _ in ALUMNOS_A_LA_VISTA}
    alumnos = []  # (id, matricula, nombre, sexo, uaca, palu, ciu, programme index, group)
    pending = list(ALUMNOS_A_LA_VISTA)
    for p, (_, uaca) in enumerate(PROGRAMAS_ACADEMICOS):
        for g, grupo in enumerate(GRUPOS):
            for _ in range(ALUMNOS_POR_GRUPO):
                if pending:
                    nombre, sexo = pending.pop(0)
                else:
                    while True:
                        first, sexo = rnd.choice(NOMBRES)
                        nombre = "%s %s %s" % (rnd.choice(APELLIDOS), rnd.choice(APELLIDOS), first)
                        if nombre not in used:
                            break
                    used.add(nombre)
                ident = len(alumnos) + 1
                matricula = "24%d%d%04d" % (p + 1, g + 1, ident)
                palu = rnd.choices([1, 2, 3], weights=[8, 3, 1])[0]
                ciu = rnd.choices(range(1, len(CIUDADES) + 1), weights=[6, 3, 3, 2, 2, 1])[0]
                alumnos.append((ident, matricula, nombre, sexo, uaca, palu, ciu, p, grupo))
    write_table("ALUMNOS", ["ID_ALU", "MATRICULA", "NOMBRE", "SEXO", "ID_UACA", "ID_PALU", "ID_CIU"],
                [a[:7] for a in alumnos])

    # Courses: each pair takes its programme's five units, each taught by one of the first seven
    # teachers; the eighth teaches nothing.
    courses = []  # (clave, programme, group, unit index, teacher id)
    for p in range(len(PROGRAMAS_ACADEMICOS)):
        for g, grupo in enumerate(GRUPOS):
            for unit in UNIDADES_DE_PROGRAMA[p]:
                teacher = 1 + (len(courses) * 3 + p) % 7
                clave = 5000 + (p + 1) * 100 + (g + 1) * 10 + unit
                courses.append((clave, p, grupo, unit, teacher))

    ability = {a[0]: rnd.gauss(74, 10) for a in alumnos}
    actas = []
    for clave, p, grupo, unit, teacher in courses:
        weights = UNIDADES_APRENDIZAJE[unit][1]
        students = [a for a in alumnos if a[7] == p and a[8] == grupo]
        for a in students:
            roll = rnd.random()
            kind = "ungraded" if roll < 0.08 else "sixty" if roll < 0.095 else "almost" if roll < 0.11 else "graded"
            scores = scores_for(kind, weights, ability[a[0]], rnd)
            parts, promedio = grade(scores, weights)
            status = 1 if promedio >= 60.0 else 0
            actas.append((len(actas) + 1, clave, PERIODO, grupo, a[0], teacher, unit + 1, p + 1, a[6],
                          parts[0], float(scores[0]), parts[1], float(scores[1]), parts[2], float(scores[2]),
                          parts[3], float(scores[3]), promedio, status))
    write_table("ACTAS",
                ["ID_ACT", "CLAVE", "PERIODO", "GRUPO", "ID_ALU", "ID_MAE", "ID_UAPR", "ID_PACA", "ID_CIU",
                 "POR_PORTAFOLIO", "PORTAFOLIO", "POR_EXAMEN", "EXAMEN", "POR_PARTICIPACION", "PARTICIPACION",
                 "POR_ENSAYO", "ENSAYO", "PROMEDIO", "STATUS"], actas)

    promedios = [r[17] for r in actas]
    assert any(x == 0.0 for x in promedios)
    assert any(x == 60.0 for x in promedios)
    assert any(59.0 < x < 60.0 for x in promedios)

    with open(os.path.join(HERE, "README.md"), "w", encoding="utf-8", newline="") as out:
        out.write("# The demo school\n\n")
        out.write("`gradebook-data demo FOLDER` builds it from the tables in this folder, which\n"
                  "`generate_demo.py` writes (run it again and commit its output after changing it).\n\n")
        out.write("%d students in %d groups of %d programmes, %d learning units, %d grade records.\n\n"
                  % (len(alumnos), len(PROGRAMAS_ACADEMICOS) * len(GRUPOS), len(PROGRAMAS_ACADEMICOS),
                     len(UNIDADES_APRENDIZAJE), len(actas)))
        out.write("Teachers (sign in with the key and the password; the password is compared exactly):\n\n")
        out.write("| Key | Name | Password | Grade records |\n|---|---|---|---|\n")
        for i, (key, name, password) in enumerate(MAESTROS):
            count = sum(1 for r in actas if r[5] == i + 1)
            out.write("| %d | %s | %s | %d |\n" % (key, name, password, count))


if __name__ == "__main__":
    main()
