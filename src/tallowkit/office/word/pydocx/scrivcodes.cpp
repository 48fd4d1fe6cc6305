// tallowkit.office.word.pydocx.scrivcodes: the kinds of header and footer that a section has.
#include "tallowkit.hpp"

using namespace tk;

namespace {

namespace name {
const Name primary{"wdconst_scrivmargin_type_primary"};
const Name firstpage{"wdconst_scrivmargin_type_firstpage"};
const Name evenpages{"wdconst_scrivmargin_type_evenpages"};
}  // namespace name

// The values are those of Word's own header/footer index, so that a script talking to Word
// through other means can use the same numbers.
const Int k_primary{1};
const Int k_firstpage{2};
const Int k_evenpages{3};

void body() {
    set_global(name::primary, k_primary);
    set_global(name::firstpage, k_firstpage);
    set_global(name::evenpages, k_evenpages);
}

}  // namespace

TALLOWKIT_MODULE(scrivcodes, "tallowkit.office.word.pydocx.scrivcodes",
                 "Kinds of header and footer, the tag that a section wrapper gives each\n"
                 "ScrivMargin as its headerfooter_type.\n"
                 "\n"
                 "wdconst_scrivmargin_type_primary = 1: the primary header or footer, used on\n"
                 "    every page that no other kind covers.\n"
                 "wdconst_scrivmargin_type_firstpage = 2: the first-page header or footer, in\n"
                 "    force while the section has a different first page.\n"
                 "wdconst_scrivmargin_type_evenpages = 3: the even-page header or footer, in\n"
                 "    force while the document distinguishes odd and even pages.\n"
                 "\n"
                 "The numbers are those of Word's WdHeaderFooterIndex.",
                 body)
