// threads.cpp: letting the GIL go around native work, and pacing loops that hold it.
#include "threads.hpp"

#include <pythread.h>   // not in Python.h before 3.7

#include <atomic>
#include <utility>

namespace tk {

namespace {

// True when `deadline` has passed (or was never set); then the next one is `interval` from now.
bool due(Clock::time_point& deadline, Clock::duration interval = pace) {
    Clock::time_point now = Clock::now();
    if (now < deadline) return false;
    deadline = now + interval;
    return true;
}

// threading.main_thread().ident, or 0 while `threading` has not been imported (or fails).
unsigned long main_thread_ident() {
    PyObject* modules = PyImport_GetModuleDict();
    Object threading = Object::steal(PyMapping_GetItemString(modules, "threading"));
    Object main = threading
                      ? Object::steal(PyObject_CallMethod(threading.get(), "main_thread", nullptr))
                      : Object();
    Object ident = main ? Object::steal(PyObject_GetAttrString(main.get(), "ident")) : Object();
    unsigned long value = ident ? PyLong_AsUnsignedLong(ident.get()) : 0;
    if (PyErr_Occurred()) {
        PyErr_Clear();
        value = 0;
    }
    return value;
}

// Whether this thread runs signal handlers. Only the main thread does, so only it gains from
// taking the GIL back to look for them (another thread would only wait for the GIL). Before
// `threading` names the main thread, every thread counts as it.
bool runs_signal_handlers() {
    static std::atomic<unsigned long> main{0};
    unsigned long ident = main.load(std::memory_order_relaxed);
    if (ident == 0) {
        ident = main_thread_ident();
        if (ident == 0) return true;
        main.store(ident, std::memory_order_relaxed);
    }
    return PyThread_get_thread_ident() == ident;
}

}  // namespace

Unlocked::Unlocked(bool release) : saved_(nullptr) {
    if (!release) return;
    looks_ = runs_signal_handlers();
    next_check_ = Clock::now() + signal_pace;
    saved_ = PyEval_SaveThread();
}

Unlocked::~Unlocked() {
    if (saved_) PyEval_RestoreThread(saved_);
}

bool Unlocked::keep_going() {
    if (failed_) return false;
    if (!saved_) {   // the GIL is held: looking costs next to nothing
        failed_ = PyErr_CheckSignals() < 0;
        return !failed_;
    }
    if (!looks_ || !due(next_check_, signal_pace)) return true;
    PyEval_RestoreThread(saved_);
    failed_ = PyErr_CheckSignals() < 0;
    // with an exception pending the GIL stays taken: the caller raises it next
    saved_ = failed_ ? nullptr : PyEval_SaveThread();
    return !failed_;
}

void Unlocked::raise_if_failed(Loc loc) const {
    if (failed_) fail(loc);
}

bool Pacer::checkpoint() {
    if (failed_) return false;
    if (PyErr_CheckSignals() < 0) {
        failed_ = true;
        return false;
    }
    if (next_yield_ == Clock::time_point{})
        next_yield_ = Clock::now() + pace;
    else if (due(next_yield_))
        yield_gil();
    return true;
}

ListFiller::ListFiller(Py_ssize_t expected, Loc loc)
    : list_(Object::check(PyList_New(expected), loc)), room_(expected) {
    PyObject_GC_UnTrack(list_.get());
}

ListFiller::~ListFiller() {
    // unfinished (an error is on its way): the list goes with the items it has
    if (list_) compat::set_size(list_.get(), filled_);
}

void ListFiller::push_beyond_room(PyObject* item, Loc loc) {
    if (!item) fail(loc);
    if (room_ != 0) {   // the guess was short: from here on the list grows as lists do
        compat::set_size(list_.get(), filled_);
        room_ = 0;
    }
    int appended = PyList_Append(list_.get(), item);
    Py_DECREF(item);
    if (appended < 0) fail(loc);
    ++filled_;
}

Object ListFiller::finish(Loc loc) {
    Object list = std::move(list_);
    compat::set_size(list.get(), filled_);
    if (room_ - filled_ <= filled_ / 8 + 64) {
        PyObject_GC_Track(list.get());
        return list;
    }
    // far too much room: the items move to a list of their size
    Object exact = Object::check(PyList_New(filled_), loc);
    for (Py_ssize_t i = 0; i < filled_; ++i)
        PyList_SET_ITEM(exact.get(), i, PyList_GET_ITEM(list.get(), i));
    compat::set_size(list.get(), 0);
    return exact;
}

void yield_gil() {
    PyThreadState* saved = PyEval_SaveThread();
    PyEval_RestoreThread(saved);
}

void share_now_and_then() {
    // per thread: each thread paces its own loops
    thread_local unsigned passes = 0;
    thread_local Clock::time_point next_yield{};
    if ((++passes & 15) != 0) return;
    if (next_yield == Clock::time_point{})
        next_yield = Clock::now() + pace;
    else if (due(next_yield))
        yield_gil();
}

}  // namespace tk
