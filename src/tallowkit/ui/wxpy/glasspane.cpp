// tallowkit.ui.wxpy.glasspane: a wxPython top-level frame in a few chained calls.
#include "tallowkit.hpp"

using namespace tk;

namespace {

namespace name {
const Name wx{"wx"};
const Name wxapp{"wxapp"};
const Name wxfrm{"wxfrm"};
const Name icon{"icon"};
const Name App{"App"};
const Name GetApp{"GetApp"};
const Name Frame{"Frame"};
const Name Size{"Size"};
const Name Point{"Point"};
const Name Icon{"Icon"};
const Name DefaultSize{"DefaultSize"};
const Name DefaultPosition{"DefaultPosition"};
const Name DEFAULT_FRAME_STYLE{"DEFAULT_FRAME_STYLE"};
const Name ID_ANY{"ID_ANY"};
const Name FrameNameStr{"FrameNameStr"};
const Name BOTH{"BOTH"};
const Name BITMAP_TYPE_ICO{"BITMAP_TYPE_ICO"};
const Name MainLoop{"MainLoop"};
const Name Show{"Show"};
const Name Center{"Center"};
const Name SetIcon{"SetIcon"};
// keyword names of the toolkit's calls
const Name id{"id"};
const Name title{"title"};
const Name size{"size"};
const Name pos{"pos"};
const Name style{"style"};
const Name name{"name"};
const Name show{"show"};
const Name dir{"dir"};
}  // namespace name

namespace str {
const Name WxFrame{"WxFrame"};
}  // namespace str

const Int k_zero{0};
const Int k_one{1};

// wx.<factory>(pair[0], pair[1]): items 0 and 1 of a size or position, by position.
Object pair_of(const Name& factory, Handle pair) {
    Object make = attr(global(name::wx), factory);
    Object first = getitem(pair, k_zero);
    Object second = getitem(pair, k_one);
    return call(make, {first, second});
}

Object WxFrame_init(Object self, Object size, Object title, Object pos, Object style,
                    Object parent, Object id, Object name) {
    set_attr(self, name::wxapp, none());
    set_attr(self, name::wxfrm, none());
    set_attr(self, name::icon, none());
    // A second wx.App made after an earlier application's main loop has run takes the
    // interpreter down, so an application object that already exists is reused.
    set_attr(self, name::wxapp, call_method(global(name::wx), name::GetApp));
    if (is_none(attr(self, name::wxapp)))
        set_attr(self, name::wxapp, call_method(global(name::wx), name::App));
    if (is_none(size))
        size = attr(global(name::wx), name::DefaultSize);
    else
        size = pair_of(name::Size, size);
    if (is_none(pos))
        pos = attr(global(name::wx), name::DefaultPosition);
    else
        pos = pair_of(name::Point, pos);
    Object Frame = attr(global(name::wx), name::Frame);
    Object frame = call_kw(Frame, {parent},
                           {{name::id, id},
                            {name::title, title},
                            {name::size, size},
                            {name::pos, pos},
                            {name::style, style},
                            {name::name, name}});
    set_attr(self, name::wxfrm, frame);
    return none();
}

Object WxFrame_mainloop(Object self) {
    call_method(attr(self, name::wxapp), name::MainLoop);
    return none();
}

Object WxFrame_show(Object self, Object show) {
    Object Show = attr(attr(self, name::wxfrm), name::Show);
    call_kw(Show, {}, {{name::show, show}});
    return self;
}

Object WxFrame_center(Object self, Object d) {
    Object Center = attr(attr(self, name::wxfrm), name::Center);
    call_kw(Center, {}, {{name::dir, d}});
    return self;
}

Object WxFrame_seticon(Object self, Object fp) {
    Object Icon = attr(global(name::wx), name::Icon);
    Object ico = attr(global(name::wx), name::BITMAP_TYPE_ICO);
    set_attr(self, name::icon, call(Icon, {fp, ico}));
    Object SetIcon = attr(attr(self, name::wxfrm), name::SetIcon);
    call(SetIcon, {attr(self, name::icon)});
    return self;
}

void body() {
    set_global(name::wx, import_module(name::wx));
    ClassDef frame("WxFrame");
    frame.def<WxFrame_init>(
        {.name = "__init__",
         .vars = {"self", "size", "title", "pos", "style", "parent", "id", "name"},
         .defaults = {none(), Object::borrow(str::WxFrame.get()), none(),
                      attr(global(name::wx), name::DEFAULT_FRAME_STYLE), none(),
                      attr(global(name::wx), name::ID_ANY),
                      attr(global(name::wx), name::FrameNameStr)}});
    frame.def<WxFrame_mainloop>({.name = "mainloop", .vars = {"self"}});
    frame.def<WxFrame_show>({.name = "show", .vars = {"self", "show"}, .defaults = {boolean(true)}});
    frame.def<WxFrame_center>(
        {.name = "center", .vars = {"self", "d"}, .defaults = {attr(global(name::wx), name::BOTH)}});
    frame.def<WxFrame_seticon>({.name = "seticon", .vars = {"self", "fp"}});
    frame.create();
}

}  // namespace

TALLOWKIT_MODULE(glasspane, "tallowkit.ui.wxpy.glasspane", "A wxPython frame wrapper.", body)
