// scrivnames.hpp: the names that the Word wrappers share, and the paragraph-wrapper call that
// five of them make. Included by one module source each, so every module gets its own copies.
#pragma once

#include "tallowkit.hpp"

namespace {

namespace name {
const tk::Name docx{"docx"};
const tk::Name doce{"doce"};
const tk::Name para{"para"};
const tk::Name parent{"parent"};
const tk::Name paragraphs{"paragraphs"};
const tk::Name extend{"extend"};
const tk::Name scrivblock{"scrivblock"};
const tk::Name ScrivBlock{"ScrivBlock"};
}  // namespace name

// `from .scrivblock import ScrivBlock`, run on every call so that no wrapper module loads a
// sibling wrapper at load.
inline tk::Object import_ScrivBlock(tk::Loc loc = tk::Loc::current()) {
    return tk::import_from(name::scrivblock, name::ScrivBlock, 1, loc);
}

// ScrivBlock(doce=doce, para=paragraph, parent=parent), every argument by keyword. The caller
// evaluates `doce` first, as the keyword list does.
inline tk::Object new_block(tk::Handle ScrivBlock, tk::Handle doce, tk::Handle paragraph,
                            tk::Handle parent, tk::Loc loc = tk::Loc::current()) {
    return tk::call_kw(ScrivBlock, {},
                       {{name::doce, doce}, {name::para, paragraph}, {name::parent, parent}},
                       loc);
}

}  // namespace
