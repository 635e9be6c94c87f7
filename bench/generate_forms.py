#!/usr/bin/env python3
"""Writes a reproducible corpus of eMbedded Visual Basic form files for the capture benchmarks.

Every form holds exactly --captions captured captions (labels, command buttons, frames and the
option buttons inside them), with check boxes and text boxes in between whose captions and texts
the capture must pass over, form code after the "Attribute VB_Name" line, Windows-1252 accents,
CRLF or LF line ends per file and now and then a long caption (a few hundred to 4,000 characters).
The same seed always gives the same bytes; --without-captions gives the same forms with every
caption line left out, for timing the scan alone.

Each file is a program of its own (F0001.Ebf, ...: the program code is the file name up to its
first dot) unless --program names one program for them all (CODE.0001.Ebf, ...); --caption-length
gives every caption that many characters of running text instead of a few words.
"""

import argparse
import os
import random
import sys

WORDS = [
    "Código", "Descrição", "Situação", "Endereço", "Número", "Município", "Técnico",
    "Observações", "Preço", "Ação", "Operação", "Cliente", "Fornecedor", "Pedido", "Data",
    "Valor", "Quantidade", "Unidade", "Estoque", "Saída", "Entrada", "Início", "Término",
    "Vendedor", "Região", "Atenção", "Informação", "Confirmação", "Relatório", "Usuário",
    "Senha", "Configuração", "Impressão", "Período", "Câmbio", "Série", "Nota", "Fiscal",
    "Último", "Próximo", "Anterior", "Gravar", "Cancelar", "Sair", "Pesquisar", "Limpar",
]
# Long captions come from running text so their length is set by the character, not the word.
SENTENCE = ("A operação de sincronização transfere os pedidos coletados no coletor de dados para o "
            "servidor de aplicação; verifique a conexão, a configuração da porta e o número de série "
            "do equipamento antes de começar. ")

CAPTURED_TYPES = ("Label", "CommandButton")
LONG_CAPTION_SHARE = 0.02


def running_text(rng, length):
    """length characters of running text from a random place in it, without blanks at either end."""
    start = rng.randrange(len(SENTENCE))
    text = (SENTENCE * (length // len(SENTENCE) + 2))[start:start + length]
    return text[0].replace(" ", "A") + text[1:-1] + text[-1].replace(" ", ".") if length > 1 else "A" * length


def caption_text(rng, length=None):
    if length:
        return running_text(rng, length)
    if rng.random() < LONG_CAPTION_SHARE:
        length = rng.randint(300, 4000)
        start = rng.randrange(len(SENTENCE))
        text = (SENTENCE * (length // len(SENTENCE) + 2))[start:start + length]
        return text.strip() or "Texto"
    return " ".join(rng.choice(WORDS) for _ in range(rng.randint(1, 4))) + rng.choice(["", ":", "...", ""])


def property_line(indent, name, value):
    # The designer pads the name to 16 columns and writes "=   " before the value.
    return "%s%-16s=   %s" % ("   " * indent, name, value)


def geometry(rng, indent):
    top, left = rng.randint(0, 4000), rng.randint(0, 3000)
    width, height = rng.randint(300, 3000), rng.randint(195, 600)
    return [property_line(indent, "Height", height), property_line(indent, "Left", left),
            property_line(indent, "TabIndex", rng.randint(0, 60)), property_line(indent, "Top", top),
            property_line(indent, "Width", width),
            property_line(indent, "_cx", width * 1764 // 1000), property_line(indent, "_cy", height * 1764 // 1000)]


def font_block(indent):
    pad = "   " * indent
    return [pad + "BeginProperty Font {0BE35203-8F91-11CE-9DE3-00AA004BB851} ",
            property_line(indent + 1, "Name", '"Tahoma"'), property_line(indent + 1, "Size", "8.25"),
            property_line(indent + 1, "Charset", "0"), property_line(indent + 1, "Weight", "400"),
            property_line(indent + 1, "Underline", "0   'False"), property_line(indent + 1, "Italic", "0   'False"),
            property_line(indent + 1, "Strikethrough", "0   'False"), pad + "EndProperty"]


def control(rng, indent, kind, name, caption):
    """The lines of one control; caption None for a control that has no Caption property."""
    pad = "   " * indent
    lines = [pad + "Begin VBCE.%s %s " % (kind, name)]
    lines += geometry(rng, indent + 1)
    if kind == "Label":
        lines += [property_line(indent + 1, "AutoSize", "0   'False"),
                  property_line(indent + 1, "BackColor", "-2147483643"), property_line(indent + 1, "BackStyle", "0")]
    if caption is not None:
        lines.append(property_line(indent + 1, "Caption", '"%s"' % caption))
    if kind == "TextBox":
        lines.append(property_line(indent + 1, "Text", '"%s"' % rng.choice(WORDS)))
        lines.append(property_line(indent + 1, "MaxLength", str(rng.randint(1, 80))))
    lines.append(property_line(indent + 1, "Enabled", "-1  'True"))
    if rng.random() < 0.3:
        lines += font_block(indent + 1)
    lines.append(property_line(indent + 1, "ForeColor", "-2147483640"))
    return lines


def filler(rng, indent, serial):
    """A control whose caption or text the capture must not take."""
    if rng.random() < 0.5:
        return control(rng, indent, "CheckBox", "chk%03d" % serial, caption_text(rng)) + ["   " * indent + "End"]
    return control(rng, indent, "TextBox", "txt%03d" % serial, None) + ["   " * indent + "End"]


def form_lines(rng, form_name, captions, caption_length=None):
    lines = ["VERSION 5.00",
             'Object = "{F7DEA2C9-BA8F-446E-A292-B4840F3BD661}#1.0#0"; "mscemenubar.dll"',
             "Begin VB.Form %s " % form_name,
             property_line(1, "Appearance", "0  'Flat"), property_line(1, "BackColor", "&H80000005&"),
             property_line(1, "Caption", '"%s"' % caption_text(rng)),
             property_line(1, "ClientHeight", "4005"), property_line(1, "ClientLeft", "60"),
             property_line(1, "ClientTop", "840"), property_line(1, "ClientWidth", "3600"),
             property_line(1, "ScaleHeight", "4005"), property_line(1, "ScaleWidth", "3600"),
             property_line(1, "ShowOK", "-1  'True")]
    left = captions
    serial = 0
    while left > 0:
        serial += 1
        if rng.random() < 0.3:
            lines += filler(rng, 1, serial)
        if left >= 3 and rng.random() < 0.15:
            # A frame and its option buttons: each caption is captured.
            options = rng.randint(2, min(4, left - 1))
            lines += control(rng, 1, "Frame", "fra%03d" % serial, caption_text(rng, caption_length))
            for option in range(options):
                lines += control(rng, 2, "OptionButton", "opt%03d_%d" % (serial, option),
                                 caption_text(rng, caption_length))
                lines.append("      End")
            lines.append("   End")
            left -= options + 1
            continue
        kind = rng.choice(CAPTURED_TYPES)
        prefix = "lbl" if kind == "Label" else "cmd"
        lines += control(rng, 1, kind, "%s%03d" % (prefix, serial), caption_text(rng, caption_length))
        lines.append("   End")
        left -= 1
    lines += ["End",
              'Attribute VB_Name = "%s"' % form_name,
              "Attribute VB_GlobalNameSpace = False",
              "Attribute VB_Creatable = False",
              "Attribute VB_PredeclaredId = True",
              "Attribute VB_Exposed = False",
              "Option Explicit", ""]
    for routine in range(rng.randint(3, 8)):
        lines += ["Private Sub cmd%03d_Click()" % routine,
                  '    lblStatus.Caption = "%s"' % rng.choice(WORDS),
                  "    If Len(txtValor.Text) = 0 Then",
                  '        MsgBox "Informe o %s", vbExclamation' % rng.choice(WORDS).lower(),
                  "        Exit Sub",
                  "    End If",
                  "End Sub", ""]
    return lines


def is_caption_line(line):
    # The same test as the scanner's: the name before the first "=" is Caption.
    name, equals, _ = line.partition("=")
    return bool(equals) and name.strip().upper() == "CAPTION"


def write_corpus(directory, forms, captions, seed, without_captions, program=None, caption_length=None):
    os.makedirs(directory, exist_ok=True)
    rng = random.Random(seed)
    width = max(4, len(str(forms)))
    total_lines = 0
    for number in range(1, forms + 1):
        # The file's name up to its first dot is its program code.
        name = "%s.%0*d" % (program, width, number) if program else "F%0*d" % (width, number)
        lines = form_lines(rng, "frm" + name.replace(".", ""), captions, caption_length)
        line_end = "\r\n" if rng.random() < 0.5 else "\n"
        if without_captions:
            lines = [line for line in lines if not is_caption_line(line)]
        total_lines += len(lines)
        with open(os.path.join(directory, name + ".Ebf"), "wb") as out:
            out.write((line_end.join(lines) + line_end).encode("cp1252"))
    return total_lines


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("directory", help="where the .Ebf files go (created when missing)")
    parser.add_argument("--forms", type=int, default=200, help="number of form files (default 200)")
    parser.add_argument("--captions", type=int, default=50, help="captured captions per form (default 50)")
    parser.add_argument("--seed", type=int, default=4000, help="random seed (default 4000)")
    parser.add_argument("--without-captions", action="store_true",
                        help="leave every caption line out (the same forms otherwise)")
    parser.add_argument("--program", help="one program code for every file: CODE.0001.Ebf, ... (default: a"
                                          " program per file, F0001.Ebf, ...)")
    parser.add_argument("--caption-length", type=int,
                        help="every captured caption this many characters long (default: a few words, now and"
                             " then a long one)")
    args = parser.parse_args()
    if args.forms < 1 or args.captions < 1:
        parser.error("--forms and --captions must be at least 1")
    if args.caption_length is not None and args.caption_length < 1:
        parser.error("--caption-length must be at least 1")
    if args.program is not None and (not args.program or "." in args.program):
        parser.error("--program must be a code without dots")
    lines = write_corpus(args.directory, args.forms, args.captions, args.seed, args.without_captions, args.program,
                         args.caption_length)
    print("%d forms, %d captions each, %d lines in %s" % (args.forms, args.captions, lines, args.directory))


if __name__ == "__main__":
    sys.exit(main())
