#!/usr/bin/python3
"""Draws every image of the skin (res/skin/) with cairo.

    draw_skin.py                 write the PNGs under res/skin/
    draw_skin.py --icon FILE     also write the mark as an icon file (16, 32
                                 and 48 pixels) for the program icon
    draw_skin.py --mockup DIR    also compose the main window (idle and
                                 loading) and the message box from those
                                 PNGs and the texts of main.xml into DIR,
                                 to look at the skin before the controls
                                 draw it

The output depends only on this file: no clock, no randomness, the same
PNG bytes on every run. The script lives beside res/skin/, not inside it,
because everything under res/skin/ is packed into the program's archive.
"""
import math
import os
import sys

import cairo

HERE = os.path.dirname(os.path.abspath(__file__))
SKIN = os.path.join(os.path.dirname(HERE), "skin")

# Palette: deep navy surfaces, teal-to-blue accent.
NAVY_0 = "#0B111E"   # content well
NAVY_1 = "#0F1626"   # window base
NAVY_2 = "#131C31"   # bars
NAVY_3 = "#18223A"   # cards
EDGE = "#27324D"     # hairlines and frames
TEAL = "#1FDCC6"
BLUE = "#2F86FF"
RED = "#E5484D"
TEXT_HI = "#EAF0FA"
TEXT_MID = "#C3CCDE"
TEXT_LO = "#7D89A6"


def rgba(hex_colour, alpha=1.0):
    h = hex_colour.lstrip("#")
    return (int(h[0:2], 16) / 255.0, int(h[2:4], 16) / 255.0, int(h[4:6], 16) / 255.0, alpha)


def rounded(ctx, x, y, w, h, r, corners=(True, True, True, True)):
    """Rounded rectangle path; corners = top-left, top-right, bottom-right, bottom-left."""
    tl, tr, br, bl = (r if c else 0 for c in corners)
    ctx.new_sub_path()
    ctx.arc(x + w - tr, y + tr, tr, -math.pi / 2, 0)
    ctx.arc(x + w - br, y + h - br, br, 0, math.pi / 2)
    ctx.arc(x + bl, y + h - bl, bl, math.pi / 2, math.pi)
    ctx.arc(x + tl, y + tl, tl, math.pi, 3 * math.pi / 2)
    ctx.close_path()


def vgrad(y0, y1, stops):
    g = cairo.LinearGradient(0, y0, 0, y1)
    for offset, colour, alpha in stops:
        g.add_color_stop_rgba(offset, *rgba(colour, alpha))
    return g


def hgrad(x0, x1, stops):
    g = cairo.LinearGradient(x0, 0, x1, 0)
    for offset, colour, alpha in stops:
        g.add_color_stop_rgba(offset, *rgba(colour, alpha))
    return g


def accent(x0, x1):
    return hgrad(x0, x1, [(0, TEAL, 1), (1, BLUE, 1)])


def radial_glow(cx, cy, radius, colour, alpha):
    g = cairo.RadialGradient(cx, cy, 0, cx, cy, radius)
    g.add_color_stop_rgba(0, *rgba(colour, alpha))
    g.add_color_stop_rgba(1, *rgba(colour, 0))
    return g


def new_surface(w, h):
    surface = cairo.ImageSurface(cairo.FORMAT_ARGB32, w, h)
    ctx = cairo.Context(surface)
    ctx.set_antialias(cairo.ANTIALIAS_GOOD)
    return surface, ctx


def save(surface, name):
    path = os.path.join(SKIN, name)
    os.makedirs(os.path.dirname(path), exist_ok=True)
    surface.write_to_png(path)


# ---------------------------------------------------------------- the mark

def bolt_path(ctx, x, y, s):
    """The product mark's bolt inside a square of side s at (x, y)."""
    pts = [(0.60, 0.10), (0.27, 0.55), (0.49, 0.55), (0.40, 0.90), (0.75, 0.42), (0.53, 0.42), (0.66, 0.10)]
    ctx.move_to(x + pts[0][0] * s, y + pts[0][1] * s)
    for px, py in pts[1:]:
        ctx.line_to(x + px * s, y + py * s)
    ctx.close_path()


def draw_mark(ctx, x, y, s):
    """Rounded badge with a teal-to-blue sweep, a bolt and two speed strokes
    (left out below 20 pixels, where they would only blur the bolt)."""
    r = s * 0.26
    g = cairo.LinearGradient(x, y + s, x + s, y)
    g.add_color_stop_rgba(0, *rgba(TEAL))
    g.add_color_stop_rgba(1, *rgba(BLUE))
    rounded(ctx, x, y, s, s, r)
    ctx.set_source(g)
    ctx.fill()
    # soft top sheen
    rounded(ctx, x, y, s, s, r)
    ctx.set_source(vgrad(y, y + s * 0.55, [(0, "#FFFFFF", 0.28), (1, "#FFFFFF", 0)]))
    ctx.fill()
    if s >= 20:
        speed_strokes(ctx, x, y, s)
    bolt_path(ctx, x, y, s)
    ctx.set_source_rgba(1, 1, 1, 1)
    ctx.fill()


def speed_strokes(ctx, x, y, s, colour=(1, 1, 1, 0.75)):
    ctx.set_line_cap(cairo.LINE_CAP_ROUND)
    ctx.set_line_width(max(1.0, s * 0.07))
    ctx.set_source_rgba(*colour)
    for fy, x0, x1 in ((0.36, 0.16, 0.34), (0.66, 0.14, 0.28)):
        ctx.move_to(x + x0 * s, y + fy * s)
        ctx.line_to(x + x1 * s, y + fy * s)
        ctx.stroke()


def logo():
    surface, ctx = new_surface(26, 26)
    draw_mark(ctx, 0, 0, 26)
    save(surface, "bkimage/logo.png")


def write_icon(path):
    """The mark as a Windows icon file: PNG images of 16, 32 and 48 pixels."""
    import io
    import struct
    images = []
    for size in (16, 32, 48):
        surface, ctx = new_surface(size, size)
        pad = 0 if size < 32 else size // 16
        draw_mark(ctx, pad, pad, size - 2 * pad)
        buffer = io.BytesIO()
        surface.write_to_png(buffer)
        images.append((size, buffer.getvalue()))
    header = struct.pack("<HHH", 0, 1, len(images))
    offset = len(header) + 16 * len(images)
    entries, blobs = b"", b""
    for size, png in images:
        entries += struct.pack("<BBBBHHII", size, size, 0, 0, 1, 32, len(png), offset)
        offset += len(png)
        blobs += png
    with open(path, "wb") as out:
        out.write(header + entries + blobs)


# ---------------------------------------------------------------- main window

def main_frame():
    """Window base: navy fill and a one-pixel frame following the round corners."""
    surface, ctx = new_surface(32, 32)
    rounded(ctx, 0, 0, 32, 32, 6)
    ctx.set_source_rgba(*rgba(NAVY_1))
    ctx.fill()
    rounded(ctx, 0.5, 0.5, 31, 31, 5.5)
    ctx.set_source_rgba(*rgba("#2E3A5A"))
    ctx.set_line_width(1)
    ctx.stroke()
    save(surface, "bkimage/main_bk.png")


def caption_bar():
    """Caption: rounded top, vertical sheen, teal glow behind the mark, bottom hairline."""
    w, h = 320, 40
    surface, ctx = new_surface(w, h)
    rounded(ctx, 0, 0, w, h, 5, (True, True, False, False))
    ctx.clip()
    ctx.set_source(vgrad(0, h, [(0, "#172240", 1), (1, "#111A2F", 1)]))
    ctx.paint()
    ctx.set_source(radial_glow(24, 20, 120, TEAL, 0.16))
    ctx.paint()
    ctx.rectangle(0, h - 1, w, 1)
    ctx.set_source_rgba(*rgba("#0A0F1C"))
    ctx.fill()
    save(surface, "bkimage/caption_bk.png")


def line_bar(name, hot):
    """The line selection strip; the hovered strip brightens and lights its top edge."""
    w, h = 64, 56
    surface, ctx = new_surface(w, h)
    top = "#152038" if hot else "#131C31"
    ctx.set_source(vgrad(0, h, [(0, top, 1), (1, "#10182B", 1)]))
    ctx.paint()
    ctx.rectangle(0, h - 1, w, 1)
    ctx.set_source_rgba(*rgba("#1E2943"))
    ctx.fill()
    ctx.rectangle(0, 0, w, 1)
    ctx.set_source_rgba(*rgba(TEAL, 0.35) if hot else rgba("#1B2640"))
    ctx.fill()
    save(surface, name)


def status_bar():
    w, h = 40, 28
    surface, ctx = new_surface(w, h)
    rounded(ctx, 0, 0, w, h, 5, (False, False, True, True))
    ctx.set_source_rgba(*rgba("#0D1321"))
    ctx.fill()
    ctx.rectangle(0, 0, w, 1)
    ctx.set_source_rgba(*rgba("#1C2640"))
    ctx.fill()
    save(surface, "bkimage/status_bk.png")


def icon_route():
    """Small route glyph in front of the line bar's label."""
    surface, ctx = new_surface(16, 16)
    ctx.set_line_width(1.6)
    ctx.set_line_cap(cairo.LINE_CAP_ROUND)
    ctx.move_to(3.5, 12.5)
    ctx.curve_to(9, 12.5, 7, 3.5, 12.5, 3.5)
    ctx.set_source(accent(2, 14))
    ctx.stroke()
    for cx, cy, colour in ((3.5, 12.5, TEAL), (12.5, 3.5, BLUE)):
        ctx.arc(cx, cy, 2.4, 0, 2 * math.pi)
        ctx.set_source_rgba(*rgba(colour))
        ctx.fill()
        ctx.arc(cx, cy, 1.0, 0, 2 * math.pi)
        ctx.set_source_rgba(*rgba(NAVY_2))
        ctx.fill()
    save(surface, "bkimage/ico_route.png")


def icon_shield():
    """Small shield with a tick, in front of the status bar's tagline."""
    surface, ctx = new_surface(14, 14)
    ctx.move_to(7, 1)
    ctx.line_to(12.5, 3)
    ctx.curve_to(12.5, 8.5, 10, 11.5, 7, 13)
    ctx.curve_to(4, 11.5, 1.5, 8.5, 1.5, 3)
    ctx.close_path()
    ctx.set_source(accent(1, 13))
    ctx.fill()
    ctx.set_line_width(1.4)
    ctx.set_line_cap(cairo.LINE_CAP_ROUND)
    ctx.set_line_join(cairo.LINE_JOIN_ROUND)
    ctx.move_to(4.5, 7)
    ctx.line_to(6.4, 8.8)
    ctx.line_to(9.6, 5.2)
    ctx.set_source_rgba(1, 1, 1, 1)
    ctx.stroke()
    save(surface, "bkimage/ico_shield.png")


# Caption buttons: 35 x 35, glyph centred, a rounded plate while hot or pressed.
CAPTION_BUTTON = 35


def polylines(ctx, width, *lines):
    ctx.set_line_width(width)
    for line in lines:
        ctx.move_to(*line[0])
        for point in line[1:]:
            ctx.line_to(*point)
    ctx.stroke()


def caption_glyph(ctx, kind, colour):
    ctx.set_source(colour)
    ctx.set_line_cap(cairo.LINE_CAP_ROUND)
    ctx.set_line_join(cairo.LINE_JOIN_ROUND)
    if kind == "min":
        ctx.rectangle(12, 17, 11, 1.3)
        ctx.fill()
    elif kind == "close":
        polylines(ctx, 1.4, [(12.5, 12.5), (22.5, 22.5)], [(22.5, 12.5), (12.5, 22.5)])
    elif kind == "top":
        polylines(ctx, 1.3, [(11, 17.5), (17.5, 11.5), (24, 17.5)],
                  [(13.5, 15.5), (13.5, 23.5), (21.5, 23.5), (21.5, 15.5)])
        ctx.rectangle(16.3, 19.2, 2.4, 4.3)
        ctx.fill()


def caption_button(kind, state):
    s = CAPTION_BUTTON
    surface, ctx = new_surface(s, s)
    if state != "nor":
        rounded(ctx, 4, 4, s - 8, s - 8, 6)
        if kind == "close":
            ctx.set_source_rgba(*rgba(RED) if state == "hot" else rgba("#BF3A3F"))
        else:
            ctx.set_source_rgba(*rgba("#FFFFFF", 0.12 if state == "hot" else 0.07))
        ctx.fill()
    colour = rgba(TEXT_MID) if state == "nor" else rgba("#FFFFFF")
    caption_glyph(ctx, kind, cairo.SolidPattern(*colour))
    save(surface, "btn/%s_%s.png" % (kind, state))


# Line options: 150 x 36 cards with a signal glyph on the left and room for
# the line's name after it (the option's text starts at 40).
OPTION_W, OPTION_H = 150, 36


def signal_bars(ctx, x, bottom, pattern):
    for i, height in enumerate((4, 7, 10, 13)):
        rounded(ctx, x + i * 5, bottom - height, 3, height, 1)
    ctx.set_source(pattern)
    ctx.fill()


def line_option(state):
    w, h = OPTION_W, OPTION_H
    surface, ctx = new_surface(w, h)
    selected = state in ("sel", "selhot")
    hot = state in ("hot", "selhot")
    if selected:
        rounded(ctx, 0, 0, w, h, 7)
        ctx.set_source(hgrad(0, w, [(0, "#0F3447", 1), (1, "#14264A", 1)]))
        ctx.fill()
        rounded(ctx, 0, 0, w, h, 7)
        ctx.set_source(radial_glow(24, h / 2, 90, TEAL, 0.30 if hot else 0.22))
        ctx.fill()
        rounded(ctx, 0.5, 0.5, w - 1, h - 1, 6.5)
        ctx.set_line_width(1)
        ctx.set_source(accent(0, w))
        ctx.stroke()
        signal_bars(ctx, 14, 25, accent(14, 32))
        # tick badge on the right
        ctx.arc(w - 18, h / 2, 7, 0, 2 * math.pi)
        ctx.set_source(accent(w - 25, w - 11))
        ctx.fill()
        ctx.set_line_width(1.5)
        ctx.set_line_cap(cairo.LINE_CAP_ROUND)
        ctx.set_line_join(cairo.LINE_JOIN_ROUND)
        ctx.move_to(w - 21.2, h / 2 + 0.2)
        ctx.line_to(w - 18.8, h / 2 + 2.6)
        ctx.line_to(w - 14.8, h / 2 - 2.2)
        ctx.set_source_rgba(1, 1, 1, 1)
        ctx.stroke()
    else:
        rounded(ctx, 0, 0, w, h, 7)
        top, bottom = ("#1E2A47", "#1A233D") if hot else (NAVY_3, "#151E34")
        ctx.set_source(vgrad(0, h, [(0, top, 1), (1, bottom, 1)]))
        ctx.fill()
        rounded(ctx, 0.5, 0.5, w - 1, h - 1, 6.5)
        ctx.set_line_width(1)
        ctx.set_source_rgba(*rgba("#3A4B74" if hot else "#27334F"))
        ctx.stroke()
        signal_bars(ctx, 14, 25, cairo.SolidPattern(*rgba("#8D9CC0" if hot else "#55627F")))
    names = {"nor": "opt_nor", "hot": "opt_hot", "sel": "opt_sel", "selhot": "opt_selhot"}
    save(surface, "opt/%s.png" % names[state])


def loading_panel():
    """The card in the middle of the loading panel; the spinner sits at its top centre."""
    w, h = 340, 172
    surface, ctx = new_surface(w, h)
    rounded(ctx, 0, 0, w, h, 12)
    ctx.set_source(vgrad(0, h, [(0, "#18233D", 1), (1, "#121A2E", 1)]))
    ctx.fill()
    rounded(ctx, 0, 0, w, h, 12)
    ctx.set_source(radial_glow(w / 2, 54, 80, TEAL, 0.16))
    ctx.fill()
    rounded(ctx, 0.5, 0.5, w - 1, h - 1, 11.5)
    ctx.set_line_width(1)
    ctx.set_source_rgba(*rgba("#2B3A5C"))
    ctx.stroke()
    # accent line along the top edge, fading out at both ends
    ctx.rectangle(40, 0, w - 80, 2)
    ctx.set_source(hgrad(40, w - 40, [(0, TEAL, 0), (0.3, TEAL, 1), (0.7, BLUE, 1), (1, BLUE, 0)]))
    ctx.fill()
    save(surface, "bkimage/loading_panel.png")


def watermark():
    """The mark in outline, barely lighter than the content well, shown under
    the portal until its page covers it."""
    s = 96
    surface, ctx = new_surface(s, s)
    rounded(ctx, 1, 1, s - 2, s - 2, 24)
    ctx.set_line_width(2)
    ctx.set_source_rgba(*rgba("#1A2540"))
    ctx.stroke()
    bolt_path(ctx, 0, 0, s)
    ctx.set_source_rgba(*rgba("#18223A"))
    ctx.fill()
    speed_strokes(ctx, 0, 0, s, rgba("#18223A"))
    save(surface, "bkimage/watermark.png")


def scroll_thumb(name, hot):
    w, h = 8, 40
    surface, ctx = new_surface(w, h)
    rounded(ctx, 1, 1, w - 2, h - 2, 3)
    ctx.set_source_rgba(*rgba("#4A5A80" if hot else "#2E3A58"))
    ctx.fill()
    save(surface, name)


# ---------------------------------------------------------------- message box

BOX_W, BOX_H, BOX_CAPTION = 315, 215, 35
FONT_FACE = "WenQuanYi Micro Hei"


def box_background():
    """Message box: exactly the box's size, so its nine slices draw one to one."""
    w, h = BOX_W, BOX_H
    surface, ctx = new_surface(w, h)
    rounded(ctx, 0, 0, w, h, 8)
    ctx.set_source(vgrad(BOX_CAPTION, h, [(0, "#FFFFFF", 1), (0.55, "#FFFFFF", 1), (1, "#F2F5FA", 1)]))
    ctx.fill()
    # header band
    rounded(ctx, 0, 0, w, BOX_CAPTION, 8, (True, True, False, False))
    ctx.set_source(vgrad(0, BOX_CAPTION, [(0, "#172240", 1), (1, "#111A2F", 1)]))
    ctx.fill()
    ctx.save()
    rounded(ctx, 0, 0, w, BOX_CAPTION, 8, (True, True, False, False))
    ctx.clip()
    ctx.set_source(radial_glow(20, 17, 110, TEAL, 0.16))
    ctx.paint()
    ctx.restore()
    ctx.rectangle(0, BOX_CAPTION - 2, w, 2)
    ctx.set_source(hgrad(0, w, [(0, TEAL, 1), (1, BLUE, 1)]))
    ctx.fill()
    draw_mark(ctx, 12, 8, 19)
    text(ctx, "Brisgol加速器插件", 38, 0, 200, BOX_CAPTION - 2, 13, TEXT_HI, bold=True)
    # faint body frame for light desktops
    ctx.move_to(0.5, BOX_CAPTION)
    ctx.line_to(0.5, h - 8)
    ctx.arc_negative(8, h - 8, 7.5, math.pi, math.pi / 2)
    ctx.line_to(w - 8, h - 0.5)
    ctx.arc_negative(w - 8, h - 8, 7.5, math.pi / 2, 0)
    ctx.line_to(w - 0.5, BOX_CAPTION)
    ctx.set_line_width(1)
    ctx.set_source_rgba(*rgba("#C9D2E3"))
    ctx.stroke()
    save(surface, "bkimage/circular_corner_bk.png")


def warning_icon():
    s = 64
    surface, ctx = new_surface(s, s)
    ctx.arc(32, 32, 28, 0, 2 * math.pi)
    ctx.set_source(vgrad(4, 60, [(0, "#FFC247", 1), (1, "#F59A23", 1)]))
    ctx.fill()
    ctx.arc(32, 32, 28, 0, 2 * math.pi)
    ctx.set_source(vgrad(4, 34, [(0, "#FFFFFF", 0.30), (1, "#FFFFFF", 0)]))
    ctx.fill()
    rounded(ctx, 29, 15, 6, 22, 3)
    ctx.set_source_rgba(1, 1, 1, 1)
    ctx.fill()
    ctx.arc(32, 45, 3.6, 0, 2 * math.pi)
    ctx.fill()
    save(surface, "bkimage/WarningIcon.png")


# ---------------------------------------------------------------- text

def text(ctx, string, x, y, w, h, size, colour, bold=False, align="left", valign="center", wrap=False):
    """Text in the skin's font at a pixel size (the em height the markup's Font
    size means), placed the way a label places it; wrap breaks at any character."""
    ctx.save()
    ctx.select_font_face(FONT_FACE, cairo.FONT_SLANT_NORMAL,
                         cairo.FONT_WEIGHT_BOLD if bold else cairo.FONT_WEIGHT_NORMAL)
    ctx.set_font_size(size)
    options = cairo.FontOptions()
    options.set_antialias(cairo.ANTIALIAS_GRAY)
    options.set_hint_style(cairo.HINT_STYLE_SLIGHT)
    options.set_hint_metrics(cairo.HINT_METRICS_ON)
    ctx.set_font_options(options)
    ascent, descent, _, _, _ = ctx.font_extents()
    line_h = math.ceil(ascent + descent)
    lines = [string]
    if wrap:
        lines, current = [], ""
        for ch in string:
            if current and ctx.text_extents(current + ch).x_advance > w:
                lines.append(current)
                current = ch
            else:
                current += ch
        lines.append(current)
    block_h = line_h * len(lines)
    top = y if valign == "top" else y + (h - block_h) / 2
    ctx.set_source_rgba(*rgba(colour))
    for n, line in enumerate(lines):
        advance = ctx.text_extents(line).x_advance
        tx = x if align == "left" else (x + (w - advance) / 2 if align == "center" else x + w - advance)
        ctx.move_to(round(tx), round(top + n * line_h + ascent))
        ctx.show_text(line)
    ctx.restore()


# ---------------------------------------------------------------- drawing it all

def draw_all():
    logo()
    main_frame()
    caption_bar()
    line_bar("bkimage/linebar_nor.png", False)
    line_bar("bkimage/linebar_hot.png", True)
    status_bar()
    icon_route()
    icon_shield()
    for kind in ("top", "min", "close"):
        for state in ("nor", "hot", "push"):
            caption_button(kind, state)
    for state in ("nor", "hot", "sel", "selhot"):
        line_option(state)
    loading_panel()
    watermark()
    scroll_thumb("scroll/SliderBtn_nor.png", False)
    scroll_thumb("scroll/SliderBtn_hot.png", True)
    box_background()
    warning_icon()


# ---------------------------------------------------------------- mockups

def image(ctx, name, x, y, w=None, h=None, corner=None):
    """Draw a skin image at a place, nine-slicing it like the render engine when sized."""
    img = cairo.ImageSurface.create_from_png(os.path.join(SKIN, name))
    iw, ih = img.get_width(), img.get_height()
    w = iw if w is None else w
    h = ih if h is None else h
    cl, ct, cr, cb = corner or (0, 0, 0, 0)
    xs = [(0, cl, 0, cl), (cl, iw - cr, cl, w - cr), (iw - cr, iw, w - cr, w)]
    ys = [(0, ct, 0, ct), (ct, ih - cb, ct, h - cb), (ih - cb, ih, h - cb, h)]
    for sx0, sx1, dx0, dx1 in xs:
        for sy0, sy1, dy0, dy1 in ys:
            if sx1 <= sx0 or sy1 <= sy0 or dx1 <= dx0 or dy1 <= dy0:
                continue
            ctx.save()
            ctx.rectangle(x + dx0, y + dy0, dx1 - dx0, dy1 - dy0)
            ctx.clip()
            ctx.translate(x + dx0, y + dy0)
            ctx.scale((dx1 - dx0) / (sx1 - sx0), (dy1 - dy0) / (sy1 - sy0))
            ctx.set_source_surface(img, -sx0, -sy0)
            ctx.get_source().set_filter(cairo.FILTER_BILINEAR)
            ctx.paint()
            ctx.restore()


def spinner(ctx, x, y, w, h, spokes, colour, thickness, outer, inner, phase):
    """The spoke spinner as it renders one frame: opaque spoke at index phase."""
    cx, cy = x + w // 2, y + h // 2
    base = rgba(colour)
    step = 255 // spokes
    ctx.set_line_width(thickness)
    ctx.set_line_cap(cairo.LINE_CAP_ROUND)
    for j in range(spokes):
        i = (phase + j) % spokes
        alpha = 1.0 if j == 0 else (j * step) / 255.0
        a = (i + 1) * 360.0 / spokes * 3.14 / 180
        ctx.move_to(cx + inner * math.cos(a), cy + inner * math.sin(a))
        ctx.line_to(cx + outer * math.cos(a), cy + outer * math.sin(a))
        ctx.set_source_rgba(base[0], base[1], base[2], alpha)
        ctx.stroke()


def mock_main(path, loading):
    """The main window as main.xml lays it out (positions worked out from the markup)."""
    W, H = 900, 600
    surface, ctx = new_surface(W, H)
    rounded(ctx, 0, 0, W, H, 6)
    ctx.clip()
    image(ctx, "bkimage/main_bk.png", 0, 0, W, H, (8, 8, 8, 8))
    # caption: 1..899 x 1..41
    image(ctx, "bkimage/caption_bk.png", 1, 1, 898, 40, (240, 6, 8, 2))
    image(ctx, "bkimage/logo.png", 13, 8)
    text(ctx, "Brisgol加速器插件", 47, 1, 160, 40, 15, TEXT_HI, bold=True)
    for i, kind in enumerate(("top", "min", "close")):
        state = "hot" if (kind == "min" and not loading) else "nor"
        image(ctx, "btn/%s_%s.png" % (kind, state), 899 - 6 - 35 * (3 - i), 3)
    # line bar: 1..899 x 41..97, inset 16,10,16,10, child padding 10
    image(ctx, "bkimage/linebar_nor.png", 1, 41, 898, 56, (8, 1, 8, 1))
    image(ctx, "bkimage/ico_route.png", 17, 51 + 10)
    text(ctx, "加速线路", 17 + 22, 51, 60, 36, 13, TEXT_MID)
    names = ("线路一", "线路二", "线路三")
    states = ("sel", "hot", "nor") if not loading else ("sel", "nor", "nor")
    for i in range(3):
        ox = 17 + 84 + 10 + i * (OPTION_W + 10)
        image(ctx, "opt/opt_%s.png" % states[i], ox, 51)
        colour = "#FFFFFF" if states[i] == "sel" else (TEXT_HI if states[i] == "hot" else TEXT_MID)
        text(ctx, names[i], ox + 40, 51, OPTION_W - 40, 36, 13, colour)
    text(ctx, "切换线路需确认后重新连接", 17 + 84 + 10 + 3 * 160, 51, 883 - 16 - (17 + 84 + 10 + 3 * 160) + 16,
         36, 12, TEXT_LO, align="right")
    # content: 1..899 x 97..571
    cx0, cy0, cw, chh = 1, 97, 898, 474
    ctx.rectangle(cx0, cy0, cw, chh)
    ctx.set_source_rgba(*rgba(NAVY_0))
    ctx.fill()
    if loading:
        px = cx0 + (cw - 340) // 2
        py = cy0 + (chh - 172) // 2
        image(ctx, "bkimage/loading_panel.png", px, py)
        spinner(ctx, px + (340 - 64) // 2, py + 22, 64, 64, 12, TEAL, 4, 24, 13, 3)
        text(ctx, "正在连接加速线路", px, py + 22 + 64 + 12, 340, 26, 16, TEXT_HI, bold=True, align="center")
        text(ctx, "正在建立加速通道，请稍候…", px, py + 22 + 64 + 12 + 26, 340, 24, 12, TEXT_LO, align="center")
    else:
        # no portal page painted: the watermark under the browser shows
        wy = cy0 + (chh - 96 - 30) // 2
        image(ctx, "bkimage/watermark.png", cx0 + (cw - 96) // 2, wy)
        text(ctx, "Brisgol加速器插件", cx0, wy + 96, cw, 30, 13, "#2A3550", align="center")
    # status bar: 1..899 x 571..599
    image(ctx, "bkimage/status_bk.png", 1, 571, 898, 28, (6, 2, 6, 6))
    image(ctx, "bkimage/ico_shield.png", 15, 571 + 7)
    text(ctx, "稳定 · 低延迟 · 智能加速", 15 + 20, 571, 200, 28, 12, TEXT_LO)
    text(ctx, "版本：1.0.4", 899 - 14 - 160, 571, 160, 28, 12, TEXT_LO, align="right")
    surface.write_to_png(path)


def mock_box(path, message, buttons):
    """The message box as its code builds it: white root, the background image, the buttons."""
    surface, ctx = new_surface(BOX_W + 40, BOX_H + 40)
    ctx.set_source_rgba(*rgba("#3A4660"))
    ctx.paint()
    ctx.translate(20, 20)
    image(ctx, "bkimage/circular_corner_bk.png", 0, 0, BOX_W, BOX_H, (10, 10, 10, 10))
    image(ctx, "btn/close_nor.png", 270, 0)
    text(ctx, message, 15, 5, BOX_W - 30, 160, 12, "#000000", align="center", wrap=True)
    # content label: multi-line centred, vertically centred in 15..300 x 5..165
    buttons = list(zip(buttons, ("#4285F4", "#383F5F")))
    total = 100 * len(buttons) + 20 * (len(buttons) - 1)
    x = (BOX_W - total) // 2
    for label, colour in buttons:
        rounded(ctx, x, 165, 100, 30, 1.5)
        ctx.set_source_rgba(*rgba(colour))
        ctx.fill()
        text(ctx, label, x, 165, 100, 30, 12, "#FFFFFF", align="center")
        x += 120
    surface.write_to_png(path)


# The controls the main window looks up by name.
NAMED_CONTROLS = ("min_btn", "close_btn", "top_btn", "Line1_pot", "Line2_pot", "Line3_pot",
                  "init_loading_container", "version_lab", "status_lab", "IeWeb")


def check_markup():
    """The mockups stand for main.xml: it must parse and hold every named control."""
    import xml.etree.ElementTree as ET
    root = ET.parse(os.path.join(SKIN, "main.xml")).getroot()
    names = {element.get("name") for element in root.iter()}
    missing = [name for name in NAMED_CONTROLS if name not in names]
    if missing:
        raise SystemExit("main.xml lacks " + ", ".join(missing))


def main(argv):
    draw_all()
    if len(argv) >= 3 and argv[1] == "--mockup":
        check_markup()
        out = argv[2]
        os.makedirs(out, exist_ok=True)
        mock_main(os.path.join(out, "main.png"), loading=False)
        mock_main(os.path.join(out, "main_loading.png"), loading=True)
        mock_box(os.path.join(out, "msgbox_line.png"), "确定使用线路二？", ("确定", "取消"))
        mock_box(os.path.join(out, "msgbox_error.png"),
                 "检测到Orvanta正在运行，加速效果将受到影响，建议您退出Orvanta后再启动加速器进行加速", ("确定",))
        mock_box(os.path.join(out, "msgbox_upgrade.png"), "IE浏览器版本过低，请使用IE11！", ("去升级", "取消"))
        print("mockups written to", out)
    elif len(argv) >= 3 and argv[1] == "--icon":
        write_icon(argv[2])
        print("icon written to", argv[2])
    elif len(argv) > 1:
        print(__doc__)
        return 2
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
