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

// Lets waiting threads in when `next` has come; the first call only starts the clock. False
// when a signal handler raised meanwhile (the exception is pending).
bool yield_when_due(Clock::time_point& next) {
    if (next == Clock::time_point{}) {
        next = Clock::now() + pace;
        return true;
    }
    return !due(next) || yield_gil();
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
    failed_ = PyErr_CheckSignals() < 0 || !yield_when_due(next_yield_);
    return !failed_;
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

namespace {

// A constant's code and the globals to evaluate it in, made on first use and kept for the
// process (made twice at worst, by threads that race without a GIL).
struct Turn {
    PyObject* code;
    PyObject* globals;
};

const Turn* turn() {
    static std::atomic<const Turn*> made{nullptr};
    if (const Turn* t = made.load(std::memory_order_acquire)) return t;
    Object code = Object::steal(Py_CompileString("None", "<tallowkit: turn>", Py_eval_input));
    Object globals = Object::steal(code ? PyDict_New() : nullptr);
    if (!globals) {
        PyErr_Clear();
        return nullptr;
    }
    const Turn* mine = new Turn{code.release(), globals.release()};
    const Turn* expected = nullptr;
    if (made.compare_exchange_strong(expected, mine, std::memory_order_acq_rel)) return mine;
    Py_DECREF(mine->code);
    Py_DECREF(mine->globals);
    delete mine;
    return expected;
}

}  // namespace

bool yield_gil() {
    // Letting the GIL go and taking it back straight away would wake a waiting thread only to
    // take the GIL back before it runs, and restart the interval after which it asks for the
    // GIL: a waiter could starve. Instead a constant is evaluated: between bytecodes the
    // interpreter hands the GIL over when a thread has asked for it, and costs nothing else.
    const Turn* t = turn();
    if (!t) {   // out of memory: the plain way
        PyThreadState* saved = PyEval_SaveThread();
        PyEval_RestoreThread(saved);
        return true;
    }
    Object none = Object::steal(PyEval_EvalCode(t->code, t->globals, t->globals));
    return static_cast<bool>(none);   // null: a signal handler raised, the exception is pending
}

bool share_now_and_then() {
    // per thread: each thread paces its own loops
    thread_local unsigned passes = 0;
    thread_local Clock::time_point next_yield{};
    return (++passes & 15) != 0 || yield_when_due(next_yield);
}

}  // namespace tk
