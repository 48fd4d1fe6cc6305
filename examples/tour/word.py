"""Word documents: a real .docx made with python-docx, walked and edited through the wrappers."""
import os

import docx

from tallowkit.office.word.pydocx.scrivbook import ScrivBook


def make_document(path):
    doc = docx.Document()
    doc.core_properties.title = "Tour report"
    section = doc.sections[0]
    section.header.paragraphs[0].text = "ACME Ltd - internal"
    section.footer.paragraphs[0].text = "page footer"
    intro = doc.add_paragraph("Sales rose by ")
    intro.add_run("12%")
    intro.add_run(" this quarter.")
    table = doc.add_table(rows=2, cols=2)
    for (r, c), value in zip([(0, 0), (0, 1), (1, 0), (1, 1)], ["region", "total", "north", "340"]):
        table.cell(r, c).text = value
    doc.save(path)


def show(workdir):
    path = os.path.join(workdir, "report.docx")
    make_document(path)

    book = ScrivBook.open_scrivbook(path)
    print("headers:", [p.para.text for p in book.get_header_paragraphs()])
    print("footers:", [p.para.text for p in book.get_footer_paragraphs()])
    print("table cells:", [p.para.text for p in book.get_content_table().get_cells_paragraphs()])
    paragraph = book.get_content_paragraph(-1)
    print("runs before:", [r.get_text() for r in paragraph.get_ranges()])
    paragraph.get_range(1).set_text("15%")
    book.get_section().get_primary_page_header().get_headerfooter_paragraph().get_range().set_text(
        "ACME Ltd - public")
    book.save_scrivbook()

    reopened = ScrivBook.open_scrivbook(path)
    print("runs after reopening:", [r.get_text() for r in reopened.get_content_paragraph(-1).get_ranges()])
    print("header after reopening:", [p.para.text for p in reopened.get_header_paragraphs()])
    reopened.close_scrivbook_not_save()

    draft = ScrivBook.new_scrivbook()
    draft.doc.add_paragraph("draft without a path")
    draft.close_scrivbook_save()  # prints the notice and keeps the document
    draft.close_scrivbook_save_as(os.path.join(workdir, "draft.docx"))
    print("draft saved elsewhere:", docx.Document(os.path.join(workdir, "draft.docx")).paragraphs[-1].text)
