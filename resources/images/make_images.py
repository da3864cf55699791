#!/usr/bin/python3
"""Draws the program's images: the two school logos of the sign-in window, its animated bar, the
padlock icon, the program icon, the icons of the grade book's buttons (change, print, close,
help), the programme's logo of the grade sheet (Vyr.jpg) and the button icons of the progress
window, the print preview, the export window, the grade form and the teacher windows. Run it from anywhere; it writes next to itself.
Needs Pillow (Debian: python3-pil). Shapes are drawn four times larger and scaled down, for smooth edges."""

import math
import os

from PIL import Image, ImageDraw

HERE = os.path.dirname(os.path.abspath(__file__))
SCALE = 4

NAVY = (22, 48, 102, 255)
BLUE = (46, 104, 176, 255)
SKY = (140, 190, 235, 255)
GOLD = (226, 170, 40, 255)
WHITE = (255, 255, 255, 255)
GREEN = (40, 128, 80, 255)
GREY = (120, 128, 140, 255)
STEEL = (150, 158, 170, 255)
DARK = (60, 66, 78, 255)


def canvas(width, height):
    return Image.new("RGBA", (width * SCALE, height * SCALE), (0, 0, 0, 0))


def finish(image, width, height):
    return image.resize((width, height), Image.LANCZOS)


def s(*values):
    return [v * SCALE for v in values]


def star(draw, cx, cy, outer, inner, fill):
    points = []
    for i in range(10):
        r = outer if i % 2 == 0 else inner
        a = -math.pi / 2 + i * math.pi / 5
        points.append((cx + r * math.cos(a), cy + r * math.sin(a)))
    draw.polygon([(x * SCALE, y * SCALE) for x, y in points], fill=fill)


def open_book(draw, cx, cy, w, h, page, edge):
    """An open book seen from the front, centred on (cx, cy)."""
    half = w / 2
    for side in (-1, 1):
        outer = cx + side * half
        draw.polygon(s(cx, cy - h * 0.35, outer, cy - h / 2, outer, cy + h / 2, cx, cy + h * 0.62), fill=edge)
        inner = cx + side * (half - w * 0.06)
        draw.polygon(s(cx, cy - h * 0.28, inner, cy - h * 0.42, inner, cy + h * 0.4, cx, cy + h * 0.52), fill=page)
        for k in range(1, 4):
            y = cy - h * 0.25 + k * h * 0.18
            x0 = cx + side * w * 0.08
            x1 = cx + side * (half - w * 0.12)
            draw.line(s(x0, y + 1, x1, y - h * 0.06), fill=edge, width=SCALE)


def shield_logo(width, height):
    """Logo one: a navy shield with an open book under a gold star, between two laurel branches."""
    img = canvas(width, height)
    d = ImageDraw.Draw(img)
    cx = width / 2
    sw, top, bottom = height * 0.62, height * 0.08, height * 0.94
    d.polygon(s(cx - sw / 2, top, cx + sw / 2, top, cx + sw / 2, top + (bottom - top) * 0.55, cx, bottom,
                cx - sw / 2, top + (bottom - top) * 0.55), fill=NAVY)
    inset = height * 0.05
    d.line(s(cx - sw / 2 + inset, top + inset, cx + sw / 2 - inset, top + inset), fill=GOLD, width=SCALE)
    star(d, cx, top + height * 0.22, height * 0.11, height * 0.045, GOLD)
    open_book(d, cx, top + height * 0.52, sw * 0.72, height * 0.28, WHITE, SKY)
    for side in (-1, 1):
        for k in range(6):
            t = k / 5
            x = cx + side * (sw / 2 + width * 0.06 + t * width * 0.05)
            y = bottom - height * 0.12 - t * height * 0.62
            leaf = height * 0.06
            d.ellipse(s(x - leaf * 0.9, y - leaf * 0.45, x + leaf * 0.9, y + leaf * 0.45), fill=GREEN)
        d.line(s(cx + side * (sw / 2 + width * 0.05), bottom - height * 0.08,
                 cx + side * (sw / 2 + width * 0.12), top + height * 0.2), fill=GREEN, width=SCALE)
    return finish(img, width, height)


def seal_logo(width, height):
    """Logo two: a round blue seal with a mortarboard over a gold ring of dots."""
    img = canvas(width, height)
    d = ImageDraw.Draw(img)
    cx, cy = width / 2, height / 2
    r = height * 0.46
    d.ellipse(s(cx - r, cy - r, cx + r, cy + r), fill=BLUE)
    d.ellipse(s(cx - r * 0.86, cy - r * 0.86, cx + r * 0.86, cy + r * 0.86), fill=WHITE)
    for k in range(24):
        a = k * 2 * math.pi / 24
        x, y = cx + r * 0.93 * math.cos(a), cy + r * 0.93 * math.sin(a)
        dot = r * 0.045
        d.ellipse(s(x - dot, y - dot, x + dot, y + dot), fill=GOLD)
    # The mortarboard: a rhombus board, the cap under it, and a tassel.
    bw, bh = r * 1.2, r * 0.42
    by = cy - r * 0.18
    d.polygon(s(cx - bw / 2, by, cx, by - bh / 2, cx + bw / 2, by, cx, by + bh / 2), fill=NAVY)
    d.polygon(s(cx - bw * 0.3, by + bh * 0.15, cx + bw * 0.3, by + bh * 0.15, cx + bw * 0.28, by + r * 0.55,
                cx - bw * 0.28, by + r * 0.55), fill=NAVY)
    d.line(s(cx, by, cx + bw * 0.42, by + bh * 0.2), fill=GOLD, width=SCALE)
    d.line(s(cx + bw * 0.42, by + bh * 0.2, cx + bw * 0.42, by + r * 0.5), fill=GOLD, width=SCALE)
    d.ellipse(s(cx + bw * 0.42 - 2, by + r * 0.48, cx + bw * 0.42 + 2, by + r * 0.6), fill=GOLD)
    return finish(img, width, height)


def seal_layout(width, height):
    """Logo two, wide: the seal at the left, three stripes of the school's colours to its right."""
    logo = seal_logo(height, height)
    img = Image.new("RGBA", (width, height), (0, 0, 0, 0))
    img.paste(logo, (0, 0), logo)
    stripes = canvas(width - height, height)
    d = ImageDraw.Draw(stripes)
    for k, colour in enumerate((NAVY, BLUE, GOLD)):
        y = height * 0.3 + k * height * 0.15
        d.rounded_rectangle(s(height * 0.06, y, width - height - width * 0.04, y + height * 0.09), radius=SCALE * 2,
                            fill=colour)
    stripes = finish(stripes, width - height, height)
    img.paste(stripes, (height, 0), stripes)
    return img


def animated_bar(width, height, frames):
    """A thin navy bar along which a light band runs from left to right, looping."""
    images = []
    band = width // 4
    for f in range(frames):
        img = Image.new("RGB", (width, height), NAVY[:3])
        px = img.load()
        centre = -band + (width + 2 * band) * f / frames
        for x in range(width):
            t = max(0.0, 1 - abs(x - centre) / band)
            t = t * t * (3 - 2 * t)
            colour = tuple(int(NAVY[i] + (SKY[i] - NAVY[i]) * t) for i in range(3))
            for y in range(height):
                edge = 0.8 if y in (0, height - 1) else 1.0
                px[x, y] = tuple(int(c * edge) for c in colour)
        images.append(img.convert("P", palette=Image.ADAPTIVE, colors=64))
    return images


def padlock(size):
    img = canvas(size, size)
    d = ImageDraw.Draw(img)
    u = size / 16
    # The shackle, then the body with its keyhole.
    d.rounded_rectangle(s(4 * u, 1.5 * u, 12 * u, 10 * u), radius=4 * u * SCALE, outline=STEEL, width=int(1.6 * u * SCALE))
    d.rounded_rectangle(s(2.5 * u, 7 * u, 13.5 * u, 15 * u), radius=1.2 * u * SCALE, fill=GOLD, outline=DARK,
                        width=max(SCALE, int(0.6 * u * SCALE)))
    d.ellipse(s(7 * u, 9 * u, 9 * u, 11 * u), fill=DARK)
    d.polygon(s(7.5 * u, 10.5 * u, 8.5 * u, 10.5 * u, 8.8 * u, 13 * u, 7.2 * u, 13 * u), fill=DARK)
    return finish(img, size, size)


def program_icon(size):
    """The program's icon: an open grade book with a green check mark."""
    img = canvas(size, size)
    d = ImageDraw.Draw(img)
    u = size / 16
    d.rounded_rectangle(s(1 * u, 3 * u, 15 * u, 14.5 * u), radius=u * SCALE, fill=NAVY)
    d.polygon(s(2 * u, 3.5 * u, 7.7 * u, 4.3 * u, 7.7 * u, 13.5 * u, 2 * u, 12.8 * u), fill=WHITE)
    d.polygon(s(8.3 * u, 4.3 * u, 14 * u, 3.5 * u, 14 * u, 12.8 * u, 8.3 * u, 13.5 * u), fill=WHITE)
    for k in range(4):
        y = 6 * u + k * 1.8 * u
        d.line(s(3 * u, y, 6.8 * u, y + 0.3 * u), fill=SKY, width=max(SCALE, int(0.5 * u * SCALE)))
    d.line(s(9.2 * u, 8.5 * u, 10.8 * u, 10.6 * u), fill=GREEN, width=int(1.3 * u * SCALE))
    d.line(s(10.8 * u, 10.6 * u, 13.6 * u, 5.6 * u), fill=GREEN, width=int(1.3 * u * SCALE))
    return finish(img, size, size)


RED = (190, 50, 40, 255)
PAPER = (250, 250, 246, 255)


def pencil_icon(size):
    """Change: a sheet of paper with a yellow pencil across it."""
    img = canvas(size, size)
    d = ImageDraw.Draw(img)
    u = size / 16
    d.rectangle(s(2 * u, 1.5 * u, 11 * u, 14.5 * u), fill=PAPER, outline=GREY, width=max(SCALE, int(0.5 * u * SCALE)))
    for k in range(4):
        y = 4 * u + k * 2.5 * u
        d.line(s(3.5 * u, y, 9.5 * u, y), fill=SKY, width=max(SCALE, int(0.5 * u * SCALE)))
    d.line(s(6 * u, 13 * u, 14 * u, 5 * u), fill=GOLD, width=int(2.6 * u * SCALE))
    d.line(s(12.6 * u, 6.4 * u, 14 * u, 5 * u), fill=RED, width=int(2.6 * u * SCALE))
    d.polygon(s(4.6 * u, 14.4 * u, 5.2 * u, 12 * u, 7 * u, 13.8 * u), fill=DARK)
    return finish(img, size, size)


def printer_icon(size):
    """Print: a grey printer with a sheet coming out of it."""
    img = canvas(size, size)
    d = ImageDraw.Draw(img)
    u = size / 16
    d.rectangle(s(4 * u, 1.5 * u, 12 * u, 7 * u), fill=PAPER, outline=GREY, width=max(SCALE, int(0.4 * u * SCALE)))
    d.rounded_rectangle(s(1 * u, 6 * u, 15 * u, 12 * u), radius=u * SCALE, fill=STEEL, outline=DARK,
                        width=max(SCALE, int(0.5 * u * SCALE)))
    d.ellipse(s(12 * u, 7.5 * u, 13.4 * u, 8.9 * u), fill=GREEN)
    d.rectangle(s(4 * u, 10 * u, 12 * u, 15 * u), fill=PAPER, outline=GREY, width=max(SCALE, int(0.4 * u * SCALE)))
    for k in range(2):
        y = 12 * u + k * 1.6 * u
        d.line(s(5.2 * u, y, 10.8 * u, y), fill=NAVY, width=max(SCALE, int(0.4 * u * SCALE)))
    return finish(img, size, size)


def exit_icon(size):
    """Close: an open door with an arrow leaving through it."""
    img = canvas(size, size)
    d = ImageDraw.Draw(img)
    u = size / 16
    d.rectangle(s(2 * u, 1.5 * u, 9 * u, 14.5 * u), fill=DARK)
    d.polygon(s(2 * u, 1.5 * u, 7 * u, 3 * u, 7 * u, 15 * u, 2 * u, 14.5 * u), fill=(150, 100, 60, 255))
    d.ellipse(s(5.4 * u, 8 * u, 6.4 * u, 9 * u), fill=GOLD)
    d.line(s(8 * u, 8 * u, 13 * u, 8 * u), fill=GREEN, width=int(1.8 * u * SCALE))
    d.polygon(s(12 * u, 5 * u, 15.5 * u, 8 * u, 12 * u, 11 * u), fill=GREEN)
    return finish(img, size, size)


def help_icon(size):
    """Help: a white question mark on a blue disc."""
    img = canvas(size, size)
    d = ImageDraw.Draw(img)
    u = size / 16
    d.ellipse(s(1 * u, 1 * u, 15 * u, 15 * u), fill=BLUE, outline=NAVY, width=max(SCALE, int(0.6 * u * SCALE)))
    d.arc(s(5 * u, 3.5 * u, 11 * u, 9 * u), start=180, end=80, fill=WHITE, width=int(1.6 * u * SCALE))
    d.line(s(9.6 * u, 7.8 * u, 8 * u, 9.2 * u), fill=WHITE, width=int(1.6 * u * SCALE))
    d.line(s(8 * u, 9 * u, 8 * u, 10.4 * u), fill=WHITE, width=int(1.6 * u * SCALE))
    d.ellipse(s(7.1 * u, 11.4 * u, 8.9 * u, 13.2 * u), fill=WHITE)
    return finish(img, size, size)


def save_icon(name, draw):
    sizes = [16, 24, 32, 48]
    largest = draw(48)
    # Each size drawn for itself: small icons stay crisp instead of being a shrunken large one.
    largest.save(os.path.join(HERE, name), format="ICO", sizes=[(n, n) for n in sizes],
                 append_images=[draw(n) for n in sizes[:-1]], bitmap_format="bmp")


def programme_logo(width, height):
    """The programme's logo on the grade sheet: the shield beside a gold band, on white (a JPEG has
    no transparency)."""
    img = Image.new("RGB", (width * SCALE, height * SCALE), (255, 255, 255))
    shield = shield_logo(height, height).resize((height * SCALE, height * SCALE), Image.LANCZOS)
    img.paste(shield, (0, 0), shield)
    d = ImageDraw.Draw(img)
    band = height * 0.18
    d.rectangle(s(height * 1.05, height / 2 - band / 2, width - height * 0.1, height / 2 + band / 2), fill=NAVY[:3])
    d.rectangle(s(height * 1.05, height / 2 + band / 2 + 4, width - height * 0.1, height / 2 + band / 2 + 8),
                fill=GOLD[:3])
    return img.resize((width, height), Image.LANCZOS)


def button_icon(size, draw_shape):
    img = canvas(size, size)
    draw_shape(ImageDraw.Draw(img), size)
    return finish(img, size, size)


def printer_shape(d, n):
    d.rectangle(s(n * 0.28, n * 0.1, n * 0.72, n * 0.4), fill=WHITE, outline=DARK, width=SCALE)
    d.rounded_rectangle(s(n * 0.1, n * 0.35, n * 0.9, n * 0.72), radius=SCALE * 3, fill=STEEL, outline=DARK,
                        width=SCALE)
    d.rectangle(s(n * 0.28, n * 0.6, n * 0.72, n * 0.92), fill=WHITE, outline=DARK, width=SCALE)
    d.ellipse(s(n * 0.76, n * 0.42, n * 0.84, n * 0.5), fill=GREEN)


def cancel_shape(d, n):
    d.ellipse(s(n * 0.08, n * 0.08, n * 0.92, n * 0.92), fill=(196, 40, 40, 255))
    for a, b in ((0.3, 0.7), (0.7, 0.3)):
        d.line(s(n * 0.3, n * a, n * 0.7, n * b), fill=WHITE, width=SCALE * max(2, n // 10))


def accept_shape(d, n):
    d.line(s(n * 0.15, n * 0.55, n * 0.4, n * 0.8, n * 0.85, n * 0.22), fill=GREEN, width=SCALE * max(2, n // 8),
           joint="curve")


def zoom_shape(d, n):
    d.ellipse(s(n * 0.1, n * 0.1, n * 0.62, n * 0.62), fill=SKY, outline=DARK, width=SCALE * 2)
    d.line(s(n * 0.56, n * 0.56, n * 0.9, n * 0.9), fill=DARK, width=SCALE * max(2, n // 8))


def save_shape(d, n):
    """A diskette: the navy case, its metal shutter and the white label."""
    d.polygon(s(n * 0.1, n * 0.1, n * 0.78, n * 0.1, n * 0.9, n * 0.22, n * 0.9, n * 0.9, n * 0.1, n * 0.9), fill=NAVY)
    d.rectangle(s(n * 0.28, n * 0.1, n * 0.68, n * 0.36), fill=STEEL)
    d.rectangle(s(n * 0.52, n * 0.14, n * 0.62, n * 0.32), fill=NAVY)
    d.rectangle(s(n * 0.22, n * 0.52, n * 0.78, n * 0.86), fill=WHITE)
    for k in range(2):
        y = n * (0.62 + k * 0.12)
        d.line(s(n * 0.3, y, n * 0.7, y), fill=SKY, width=SCALE)


def pdf_shape(d, n):
    d.polygon(s(n * 0.18, n * 0.06, n * 0.62, n * 0.06, n * 0.82, n * 0.26, n * 0.82, n * 0.94, n * 0.18, n * 0.94),
              fill=WHITE, outline=DARK)
    d.rectangle(s(n * 0.1, n * 0.5, n * 0.9, n * 0.78), fill=(196, 40, 40, 255))
    for k in range(3):
        x = n * (0.2 + k * 0.22)
        d.rectangle(s(x, n * 0.58, x + n * 0.14, n * 0.7), fill=WHITE)


def sheet(d, n):
    d.polygon(s(n * 0.2, n * 0.06, n * 0.6, n * 0.06, n * 0.8, n * 0.26, n * 0.8, n * 0.94, n * 0.2, n * 0.94),
              fill=WHITE, outline=DARK)


def new_shape(d, n):
    sheet(d, n)
    w = SCALE * max(2, n // 8)
    d.line(s(n * 0.5, n * 0.38, n * 0.5, n * 0.8), fill=GREEN, width=w)
    d.line(s(n * 0.29, n * 0.59, n * 0.71, n * 0.59), fill=GREEN, width=w)


def delete_shape(d, n):
    d.rectangle(s(n * 0.22, n * 0.3, n * 0.78, n * 0.92), fill=STEEL, outline=DARK, width=SCALE)
    d.rectangle(s(n * 0.12, n * 0.18, n * 0.88, n * 0.28), fill=DARK)
    d.rectangle(s(n * 0.4, n * 0.08, n * 0.6, n * 0.18), fill=DARK)
    for k in range(3):
        x = n * (0.35 + k * 0.15)
        d.line(s(x, n * 0.4, x, n * 0.84), fill=DARK, width=SCALE)


def select_shape(d, n):
    d.rounded_rectangle(s(n * 0.1, n * 0.1, n * 0.9, n * 0.9), radius=SCALE * 2, fill=WHITE, outline=DARK,
                        width=SCALE)
    d.line(s(n * 0.22, n * 0.52, n * 0.42, n * 0.74, n * 0.8, n * 0.26), fill=BLUE, width=SCALE * max(2, n // 8),
           joint="curve")


def main():
    # Logo sizes: the sign-in window's 78 x 46 and 78 x 42 dialog units at the desktop font's
    # 96-dpi metrics, twice over, so that the window scales them down smoothly.
    shield_logo(240, 144).save(os.path.join(HERE, "Logo_Escuela.png"))
    seal_layout(240, 130).save(os.path.join(HERE, "Logo_Institucion.png"))
    frames = animated_bar(360, 6, 24)
    frames[0].save(os.path.join(HERE, "Bar_Ani.gif"), save_all=True, append_images=frames[1:], duration=60, loop=0,
                   optimize=False)
    save_icon("Candado.ico", padlock)
    save_icon("ZidAvidivevi.ico", program_icon)
    save_icon("Modificar.ico", pencil_icon)
    save_icon("Imprimir.ico", printer_icon)
    save_icon("Salir.ico", exit_icon)
    save_icon("Ayuda.ico", help_icon)
    # The grade sheet prints the programme's logo 1.083 by 0.604 inches: 300 dots per inch.
    programme_logo(325, 181).save(os.path.join(HERE, "Vyr.jpg"), quality=92)
    for name, shape in (("Imprimir.png", printer_shape), ("Cancelar.png", cancel_shape), ("Aceptar.png", accept_shape),
                        ("Zoom.png", zoom_shape), ("Pdf.png", pdf_shape), ("Guardar.png", save_shape)):
        button_icon(24, shape).save(os.path.join(HERE, name))
    Image.new("RGBA", (1, 1), (0, 0, 0, 0)).save(os.path.join(HERE, "Vacio.png"))
    # The other buttons of the grade form and the teacher windows; they share the grade book's
    # change, close and help icons.
    for name, shape in (("Aceptar.ico", accept_shape), ("Cancelar.ico", cancel_shape), ("Nuevo.ico", new_shape),
                        ("Borrar.ico", delete_shape), ("Seleccion.ico", select_shape)):
        save_icon(name, lambda size, shape=shape: button_icon(size, shape))


if __name__ == "__main__":
    main()
