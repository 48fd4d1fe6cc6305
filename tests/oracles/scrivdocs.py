"""Word documents for the wrapper tests, built with python-docx, and the walk over headers and
footers that the wrappers must reproduce, written on python-docx alone.

A layout is a list of sections; each section is a dict with
  "first_page": the section's different-first-page setting,
  "defined": {kind: number of paragraphs} for the kinds ("primary", "first", "even") whose
             header and footer the section defines itself; the others stay linked to the
             previous section.
Every header or footer paragraph reads "S<section> <H|F> <kind> <n>".
"""
import docx
from docx.enum.section import WD_SECTION

SIDES = {"H": "header", "F": "footer"}
ATTRIBUTES = {"primary": "{}", "first": "first_page_{}", "even": "even_page_{}"}

# Three sections: the first defines everything, the second only its primary pair, the third
# only its first-page pair, so linked headers show through.
MIXED = [
    {"first_page": True, "defined": {"primary": 2, "first": 1, "even": 1}},
    {"first_page": False, "defined": {"primary": 1}},
    {"first_page": True, "defined": {"first": 1}},
]


def margin_texts(section_index, side, kind, count):
    return ["S%d %s %s %d" % (section_index, side, kind, n) for n in range(count)]


def fill(doc, layout, odd_even):
    """Lays out `doc` (a python-docx document) as `layout` says; returns it."""
    for i, section_layout in enumerate(layout):
        section = doc.sections[0] if i == 0 else doc.add_section(WD_SECTION.NEW_PAGE)
        doc.add_paragraph("body %d" % i)
        section.different_first_page_header_footer = section_layout.get("first_page", False)
        for kind, count in section_layout.get("defined", {}).items():
            for side, which in SIDES.items():
                margin = getattr(section, ATTRIBUTES[kind].format(which))
                margin.is_linked_to_previous = False
                texts = margin_texts(i, side, kind, count)
                margin.paragraphs[0].text = texts[0]
                for t in texts[1:]:
                    margin.add_paragraph(t)
    doc.settings.odd_and_even_pages_header_footer = odd_even
    return doc


def save(path, layout, odd_even, title=None):
    doc = fill(docx.Document(), layout, odd_even)
    if title is not None:
        doc.core_properties.title = title
    doc.save(str(path))
    return path


def section_margin_paragraphs(doc, section, which):
    """python-docx's paragraphs of one section's headers (or footers) in force, in the order
    first page, primary, even pages."""
    paragraphs = []
    if section.different_first_page_header_footer:
        paragraphs += getattr(section, "first_page_" + which).paragraphs
    paragraphs += getattr(section, which).paragraphs
    if doc.settings.odd_and_even_pages_header_footer:
        paragraphs += getattr(section, "even_page_" + which).paragraphs
    return paragraphs


def margin_paragraphs(doc, which):
    return [p for s in doc.sections for p in section_margin_paragraphs(doc, s, which)]


def header_footer_paragraphs(doc):
    return [p for s in doc.sections
            for which in ("header", "footer")
            for p in section_margin_paragraphs(doc, s, which)]
