// threads.hpp: sharing the interpreter with other threads while a module function works.
// Native work that touches no Python object runs with the GIL let go, when there is enough of it
// to pay for letting go (about a tenth of a microsecond); loops that hold the GIL let waiting
// threads in about once per `pace`, as the interpreter's own loop does when asked, and look for
// signals (Ctrl-C) as they go.
#pragma once

#include "ref.hpp"

#include <chrono>

namespace tk {

using Clock = std::chrono::steady_clock;

// How long a function holds the GIL (or goes without looking for signals) at most, as far as
// its loops are concerned: well inside the interpreter's switch interval (5 ms), so that a
// thread that asks for the GIL gets it within one interval and a pace.
inline constexpr Clock::duration pace = std::chrono::milliseconds(1);

// How often native work that has let the GIL go takes it back to run signal handlers (in the
// main thread, the only one that runs them): seldom, since taking it back waits for any thread
// that holds it, yet soon enough for Ctrl-C.
inline constexpr Clock::duration signal_pace = std::chrono::milliseconds(10);

// Lets the GIL go for a scope in which no Python object is touched, when `release` is true;
// otherwise it keeps it (for work too small to pay for the switch) and behaves the same.
// keep_going() is the hook for native kernels' long loops: it runs pending signal handlers, when
// the GIL is let go once per signal_pace, taking it back for a moment; once one has raised it
// keeps the GIL, the exception pending, and answers false from then on.
class Unlocked {
public:
    explicit Unlocked(bool release);
    ~Unlocked();
    Unlocked(const Unlocked&) = delete;
    Unlocked& operator=(const Unlocked&) = delete;

    bool keep_going();
    // Throws Error when a signal handler raised.
    void raise_if_failed(Loc loc = Loc::current()) const;

private:
    PyThreadState* saved_;
    bool looks_ = false;   // let go, whether it looks for signals (main thread only)
    bool failed_ = false;
    Clock::time_point next_check_;
};

// Runs work(keep_going) in an Unlocked scope and returns its result, a native value, once the
// GIL is held again; throws Error when a signal handler raised.
template <class Work>
auto run_unlocked(bool release, Work&& work, Loc loc = Loc::current()) {
    Unlocked unlocked(release);
    auto keep_going = [&unlocked] { return unlocked.keep_going(); };
    auto result = work(keep_going);
    unlocked.raise_if_failed(loc);
    return result;
}

// Paces a long loop that holds the GIL. step(), once per pass, costs a count; every so many
// passes it runs pending signal handlers and, about once per pace, lets waiting threads take
// the GIL. It answers false once a handler has raised (the exception is pending).
class Pacer {
public:
    bool step() { return (++steps_ & (stride - 1)) != 0 || checkpoint(); }
    // The same now, whatever the count: for loops whose passes are long.
    bool checkpoint();
    bool failed() const { return failed_; }
    // Throws Error when a signal handler raised.
    void raise_if_failed(Loc loc = Loc::current()) const {
        if (failed_) fail(loc);
    }

private:
    static constexpr unsigned stride = 256;
    unsigned steps_ = 0;
    bool failed_ = false;
    Clock::time_point next_yield_{};   // none yet: the first checkpoint starts the clock
};

// A new list filled a piece at a time, with the GIL let go between pieces. It is made with room
// for the expected number of items (a wrong guess costs only speed) and kept from the garbage
// collector until finish(), so that no other thread can come across its empty slots.
class ListFiller {
public:
    explicit ListFiller(Py_ssize_t expected, Loc loc = Loc::current());
    ~ListFiller();
    ListFiller(const ListFiller&) = delete;
    ListFiller& operator=(const ListFiller&) = delete;

    // Takes `item`, a new reference (nullptr: the call that made it failed, and Error is thrown).
    void push(PyObject* item, Loc loc = Loc::current()) {
        if (item && filled_ < room_)
            PyList_SET_ITEM(list_.get(), filled_++, item);
        else
            push_beyond_room(item, loc);
    }
    // The complete list.
    Object finish(Loc loc = Loc::current());

private:
    void push_beyond_room(PyObject* item, Loc loc);
    Object list_;
    Py_ssize_t filled_ = 0;
    Py_ssize_t room_;   // slots made at the start; 0 once the list has grown past them
};

// Lets a thread that has asked for the GIL take it (as the interpreter does between bytecodes),
// then takes it back; pending calls and signal handlers may run. False when one raised (the
// exception is pending).
bool yield_gil();

// For loops on interpreter objects (check_interrupts() calls it once per pass): lets waiting
// threads in about once per pace, looking at the clock every so many passes of this thread.
// False when a signal handler raised (the exception is pending).
bool share_now_and_then();

}  // namespace tk
