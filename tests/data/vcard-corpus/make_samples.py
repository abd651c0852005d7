#!/usr/bin/env python3
"""Writes the made_*.vcf samples of this folder and their rows of expected.tsv.

Each sample is a small address book written for this project to show one way
real files differ or break (encodings, line ends, embedded cards left open,
values written in unusual ways). The expected values beside each sample are
what a person reads in it. Run from anywhere: python3 make_samples.py
"""
import os

HERE = os.path.dirname(os.path.abspath(__file__))


def card(body, version="3.0"):
    return "BEGIN:VCARD\r\nVERSION:" + version + "\r\n" + body + "END:VCARD\r\n"


# A card's expected values: group flag, FN, e-mail, street, city, region, postal code, home phone.
def row(fn, email="", street="", city="", region="", postal="", phone="", group="0"):
    return [group, fn, email, street, city, region, postal, phone]


ZOE = "BEGIN:VCARD\r\nVERSION:3.0\r\nFN:Zoë Ångström\r\nADR:;;1 Rue;Besançon;;25000;\r\nEND:VCARD\r\n"
ZOE_ROW = row("Zoë Ångström", street="1 Rue", city="Besançon", postal="25000")
ANN_BOB = ("BEGIN:VCARD\nVERSION:3.0\nFN:Ann\n Marie\nEMAIL:ann@example.org\nEND:VCARD\n"
           "BEGIN:VCARD\nVERSION:3.0\nFN:Bob\nEND:VCARD")
ANN_BOB_ROWS = [row("AnnMarie", "ann@example.org"), row("Bob")]
GOOD = card("FN:Good\r\n")

FAMILY = "王李张刘陈杨黄赵吴周"
CHINESE = ["%s小明%d" % (FAMILY[i % 10], i) for i in range(20)]

SAMPLES = {
    # 20 Chinese cards in UTF-16LE without a byte-order mark: hardly a byte is
    # Latin-1, so only the cards' own BEGIN:VCARD tells the encoding.
    "made_utf16le_nomark_chinese.vcf": (
        "".join(card("FN:%s\r\nNOTE:我们在北京的会议上认识。他负责上海办公室的所有销售工作和客户关系。\r\n" % n)
                for n in CHINESE).encode("utf-16-le"),
        [row(n) for n in CHINESE]),
    "made_utf16be_nomark_blank_lines.vcf": (("\r\n\r\n" + ZOE).encode("utf-16-be"), [ZOE_ROW]),
    "made_utf8_mark.vcf": (b"\xef\xbb\xbf" + ZOE.encode("utf-8"), [ZOE_ROW]),
    # UTF-8 whose first card is full of NUL bytes: still 8-bit text.
    "made_utf8_nul_bytes_first.vcf": (
        ("BEGIN:VCARD\r\nVERSION:3.0\r\nFN:N\0ul\r\nNOTE:" + "x\0" * 2000 + "\r\nEND:VCARD\r\n").encode()
        + GOOD.encode() + card("FN:Better\r\n").encode(),
        [row("Nul"), row("Good"), row("Better")]),
    "made_windows1252.vcf": (
        ZOE.encode("cp1252") + b"BEGIN:VCARD\nFN:\x93Quoted\x94 \x80 5\nEND:VCARD\n"
        + card("FN:Bad \xc3\x28\r\n").encode("latin-1"),
        [ZOE_ROW, row("\u201cQuoted\u201d \u20ac 5"), row("Bad Ã(")]),
    "made_quoted_printable.vcf": (
        (card("FN;CHARSET=ISO-8859-1;ENCODING=QUOTED-PRINTABLE:Zo=EB =C5ngstr=F6m\r\n", "2.1")
         + card("fn;charset=utf-8;quoted-printable:Zo=c3=\r\n=AB =C3=85ngstr=C3=B6m\r\n", "2.1")
         + card("FN:Flat\r\nADR;ENCODING=QUOTED-PRINTABLE:;;12 High St=3B Flat 2;Leeds;;LS1;\r\n", "2.1")
         + card("FN:Soft\r\nADR;QUOTED-PRINTABLE:;;12 High St;=\r\nLeeds;;LS1;=\r\n\r\nEMAIL:a@b.c\r\n", "2.1")
         ).encode("latin-1"),
        [row("Zoë Ångström"), row("Zoë Ångström"),
         row("Flat", street="12 High St; Flat 2", city="Leeds", postal="LS1"),
         row("Soft", "a@b.c", "12 High St", "Leeds", "", "LS1")]),
    "made_line_ends_cr.vcf": (ANN_BOB.replace("\n", "\r").encode(), ANN_BOB_ROWS),
    "made_line_ends_cr_cr_lf.vcf": (ANN_BOB.replace("\n", "\r\r\n").encode(), ANN_BOB_ROWS),
    "made_text_around_cards.vcf": (
        ("Exported\n\n" + ANN_BOB.replace("END:VCARD\n", "END:VCARD\n\n\n")
         + "\nbegin:vCard\nfn:Mixed\nEnd:VCard\n-- end").encode(),
        ANN_BOB_ROWS + [row("Mixed")]),
    # Cards that never end, at the top or inside AGENT: each costs itself only.
    "made_missing_ends.vcf": (
        ("BEGIN:VCARD\r\nFN:A\r\n" + GOOD + "BEGIN:VCARD\r\nFN:Cut\r\nEMA").encode(),
        [row("A"), row("Good"), row("Cut")]),
    "made_agent_cards.vcf": (
        (card("FN:Boss\r\nAGENT:\r\nBEGIN:VCARD\r\nFN:Assistant\r\nEMAIL:as@example.org\r\n"
              "END:VCARD\r\nEMAIL:boss@example.org\r\n", "2.1")
         + card("FN:Value\r\nAGENT:BEGIN:VCARD\\nFN:Assistant\\nEND:VCARD\r\n")
         + card("FN:One\r\nAGENT:\r\nBEGIN:VCARD\r\nFN:Inner\r\n", "2.1") + GOOD).encode(),
        [row("Boss", "boss@example.org"), row("Value"), row("One"), row("Good")]),
    "made_agent_open_two_levels.vcf": (
        (card("FN:Boss\r\nAGENT:\r\nBEGIN:VCARD\r\nFN:A1\r\nAGENT:\r\nBEGIN:VCARD\r\nFN:A2\r\n", "2.1")
         + GOOD + card("FN:Last\r\n")).encode(),
        [row("Boss"), row("Good"), row("Last")]),
    "made_agent_open_three_levels.vcf": (
        ("BEGIN:VCARD\r\nFN:Boss\r\nAGENT:\r\nBEGIN:VCARD\r\nAGENT:\r\nBEGIN:VCARD\r\nAGENT:\r\n"
         "BEGIN:VCARD\r\nFN:A3\r\n" + GOOD).encode(),
        [row("Boss"), row("Good")]),
    "made_values.vcf": (
        (card("FN:Ann\r\n  Marie\r\n") + card("FN:Ann\r\n Marie\r\n", "2.1")
         + card("FN:Doe\\, John\\; Jr\\\\\r\n")
         + card("FN:Street\r\nADR:;;1 Main St\\NFloor 2;Springfield;IL;62701;\r\n")
         + card("FN:Pref\r\nADR;WORK:;;Work St;W;;;\r\nADR;HOME;PREF:;;Home St;H;;;\r\n", "2.1")
         + card("FN:First\r\nADR:;;First St;F;;;\r\nADR:;;Second St;S;;;\r\n")
         + card("FN:Mail\r\nEMAIL;VALUE=uri:MailTo:ann@example.org\r\n", "4.0")
         + card("FN:Phones\r\nTEL;TYPE=HOME;TYPE=FAX:1\r\nTEL;TYPE=home,cell:2\r\n"
                "TEL;TYPE=PAGER,HOME:3\r\ntel;type=home:4\r\n")
         + card("FN:Uri\r\nTEL;VALUE=uri;TYPE=\"voice,home\":tel:+1-555-0100\r\n", "4.0")
         + card("ADR;LABEL=\"oops:;;1 Main;Town;;;\r\nFN:Quote\r\n")
         + card("FN:Team\r\nX-EVOLUTION-LIST:TRUE\r\nEMAIL;X-EVOLUTION-DEST-NAME=A:a@b.c\r\n")
         + card("FN:Person\r\nKIND:individual\r\n", "4.0")).encode(),
        [row("Ann Marie"), row("Ann Marie"), row("Doe, John; Jr\\"),
         row("Street", street="1 Main St", city="Springfield", region="IL", postal="62701"),
         row("Pref", street="Home St", city="H"), row("First", street="First St", city="F"),
         row("Mail", "ann@example.org"), row("Phones", phone="4"), row("Uri", phone="+1-555-0100"),
         row("Quote", street="1 Main", city="Town"), row("Team", "a@b.c", group="1"), row("Person")]),
}


def main():
    for old in os.listdir(HERE):
        if old.startswith("made_"):
            os.remove(os.path.join(HERE, old))
    tsv = os.path.join(HERE, "expected.tsv")
    with open(tsv, encoding="utf-8") as f:
        lines = [l for l in f.read().split("\n") if l and not l.startswith("made_")]
    for name, (data, rows) in sorted(SAMPLES.items()):
        with open(os.path.join(HERE, name), "wb") as f:
            f.write(data)
        for i, values in enumerate(rows):
            lines.append("\t".join([name, str(i)] + values))
    with open(tsv, "w", encoding="utf-8", newline="\n") as f:
        f.write("\n".join(lines) + "\n")


if __name__ == "__main__":
    main()
