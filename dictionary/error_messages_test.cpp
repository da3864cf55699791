#include "dictionary/error_messages.h"

#include <gtest/gtest.h>

#include <map>
#include <set>

#include "platform/port/scripted_port.h"

namespace dictionary {
namespace {

using namespace platform;

struct Expected {
  int id;
  int level;
  const char* title;
  const char* text;
};

// Written from what users are shown, not from the table under test.
const Expected kExpected[] = {
    {2, 5, "Acceso Denegado", "No se pudo conseguir acceso para escritura a %File, Así que tratando solo lectura."},
    {4, 5, "Error al Insertar el Registro", "Un error ocurrió durante la creación de un registro. Error: %ErrorText."},
    {7, 5, "Registro no fué Actualizado", "Este registro fué modificado por otra estación de trabajo."},
    {8, 5, "Registro no fué Actualizado",
     "Este registro fué cambiado por otra estacion de trabajo. Esos cambios serán ahora mostrados. Use el ditto "
     "boton o Ctrl+' para volver a llamar sus cambios."},
    {10, 1, "Los Cambios Serán Perdidos!", "Está seguro de cancelar?"},
    {11, 1, "Confirme al Borrar", "Está seguro que desea borrar el registro seleccionado?"},
    {12, 3, "Error al Crear el Archivo", "Error: (%ErrorText) creando %File."},
    {15, 5, "Error Clave Duplicada ", "Agregar este registro genera una duplicidad para la clave: %Message"},
    {16, 5, "El Campo Contiene un Error", "El valor de %Field debe encontrarse en %Message el archivo."},
    {24, 5, "Transacción Cancelada", "Error: (%ErrorText) tratando de enmarcar la transacción en %File."},
    {25, 5, "No hay Registros", "No hay ningún registro disponible para procesar."},
    {26, 3, "Error de Acceso", "El archivo (%File) no pudo ser abierto. Error: %ErrorText."},
    {28, 5, "Registro no Fué Actualizado",
     "Un error (%ErrorText) fué experimentado cuando se realizaron los cambios al archivo %File"},
    {29, 3, "Indice no Construida", "Error: (%ErrorText) reparando indice para %File."},
    {30, 5, "Indice Invalida", "%File Indice de archivo inválida. Clave debe ser reconstruida."},
    {33, 5, "Error de Integridad Referencial al Borrar",
     "Este registro es referenciado por el archivo %File. Este registro No puede ser eliminado mientras las "
     "referencias existan."},
    {34, 5, "Error de Integridad Referencial en la Actualización",
     "Este registro esta referenciado desde el archivo %File. Ligando campo(s) no se realizó y ha sido regresado a "
     "su valor original."},
    {35, 1, "Error al Autoincrementar",
     "El intento de autoincrementar este registro ha fallado. Error: %ErrorText.|Trata de nuevo?"},
    {36, 1, "Error al Borrar el Registro",
     "Un error ocurrió durante la eliminación de este registro. Desea tratar de borrar de nuevo?"},
    {37, 1, "Error de Actualización del Registro",
     "Un error ocurrió durante la actualización del registro. Desea tratar de guardar de nuevo?"},
    {42, 2, "Error en Uso del Archivo", "Se esta intentando abrir el archivo (%File) antes de que sea abierto"},
    {47, 5, "Error de Lectura", "Error: (%ErrorText) leyendo el archivo %File."},
};

TEST(SpanishErrorMessagesTest, TableHoldsExactlyTheExpectedMessages) {
  std::map<int, ErrorMessage> byId;
  for (const ErrorMessage& m : SpanishErrorMessages())
    EXPECT_TRUE(byId.emplace(m.id, m).second) << "duplicate " << m.id;
  EXPECT_EQ(byId.size(), std::size(kExpected));
  for (const Expected& e : kExpected) {
    auto it = byId.find(e.id);
    ASSERT_NE(it, byId.end()) << "missing message " << e.id;
    EXPECT_EQ(it->second.level, e.level) << e.id;
    EXPECT_EQ(it->second.title, e.title) << e.id;
    EXPECT_EQ(it->second.text, e.text) << e.id;
  }
}

TEST(SpanishErrorMessagesTest, OnlyTheSaveRetryQuestionHasButtonsOfItsOwn) {
  for (const ErrorMessage& m : SpanishErrorMessages()) {
    if (m.id == 37) {
      EXPECT_EQ(m.buttons, (std::vector<MessageButton>{MessageButton::Yes, MessageButton::No, MessageButton::Cancel}));
      EXPECT_EQ(m.defaultButton, MessageButton::Cancel);
    } else {
      EXPECT_TRUE(m.buttons.empty()) << m.id;
    }
  }
}

class ReportedMessagesTest : public ::testing::Test {
 protected:
  ReportedMessagesTest() : reporter(locale, port) { reporter.addMessages(SpanishErrorMessages()); }
  Locale locale;
  ScriptedPort port;
  ErrorReporter reporter;
};

TEST_F(ReportedMessagesTest, MissingParentMessage) {
  reporter.setField("ACT:ID_ALU");
  EXPECT_EQ(reporter.render(16, "ALUMNOS"), "El valor de ACT:ID_ALU debe encontrarse en ALUMNOS el archivo.");
  EXPECT_EQ(reporter.throwMessage(16, "ALUMNOS"), kLevelNotify);
  EXPECT_EQ(port.last().caption, "El Campo Contiene un Error");
}

TEST_F(ReportedMessagesTest, NumberingRetryQuestion) {
  reporter.setError(0, "clave duplicada");
  port.answer(MessageButton::No);
  EXPECT_EQ(reporter.throwMessage(35), kLevelCancel);
  EXPECT_EQ(port.last().text,
            "El intento de autoincrementar este registro ha fallado. Error: clave duplicada.|Trata de nuevo?");
  EXPECT_EQ(port.last().buttons, (std::vector<MessageButton>{MessageButton::Yes, MessageButton::No}));
}

TEST_F(ReportedMessagesTest, SaveRetryQuestionKeepsTheFormOpenByDefault) {
  EXPECT_EQ(reporter.throwMessage(37), kLevelUser);
  EXPECT_EQ(port.last().defaultButton, MessageButton::Cancel);
}

TEST_F(ReportedMessagesTest, OpenFailureEndsTheProgram) {
  reporter.setFile("C:\\Datos\\Exporacion - 12.Vyr   ");
  reporter.setError(5, "Acceso denegado");
  EXPECT_THROW(reporter.throwMessage(26), ProgramHalted);
  EXPECT_EQ(port.last().text,
            "El archivo (C:\\Datos\\Exporacion - 12.Vyr) no pudo ser abierto. Error: Acceso denegado.  Press OK to "
            "end this application");
}

}  // namespace
}  // namespace dictionary
