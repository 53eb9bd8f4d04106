// Helpers for driving the library as a host does: loading DLLs by name,
// answering message boxes and scripting modal dialogs from inside their loop.
#pragma once

#include <windows.h>

#include <atomic>
#include <functional>
#include <string>
#include <vector>

namespace w32ktest {

// Directory of the running test executable (the DLLs lie beside it).
std::string exeDirectory();

// A DLL loaded with LoadLibraryA for the scope of a test.
class Library {
public:
    explicit Library(const char* name) : module_(LoadLibraryA(name)) {}
    ~Library() { unload(); }
    Library(const Library&) = delete;
    Library& operator=(const Library&) = delete;

    HMODULE handle() const { return module_; }
    explicit operator bool() const { return module_ != nullptr; }
    void unload(); // now; the destructor then does nothing

    template <typename Fn>
    Fn proc(const char* name) const
    {
        return reinterpret_cast<Fn>(reinterpret_cast<void*>(GetProcAddress(module_, name)));
    }

private:
    HMODULE module_;
};

// Dispatches the thread's pending messages for about `ms` milliseconds.
void pumpMessages(DWORD ms = 0);

// Dialogs of several threads open at once, acting in numbered turns. A thread
// waiting for its turn answers only the messages other threads send it and
// paints nothing: the system's text layout cache is not safe for the edit
// controls of two threads at one time.
class Turns {
public:
    // Waits (at most 10 s) until turn `turn` has come; false when it did not.
    bool await(int turn) const;
    void pass() { ++current_; }

private:
    std::atomic<int> current_ = 0;
};

struct ShownMessage {
    std::string caption;
    std::string text;
};

// While alive, answers every message box shown on this thread with `answer`
// (IDOK, IDYES, ...) and records its caption and text.
class MessageBoxRecorder {
public:
    explicit MessageBoxRecorder(int answer = IDOK);
    ~MessageBoxRecorder();
    MessageBoxRecorder(const MessageBoxRecorder&) = delete;
    MessageBoxRecorder& operator=(const MessageBoxRecorder&) = delete;

    const std::vector<ShownMessage>& shown() const { return shown_; }
    std::vector<std::string> texts() const;

private:
    static LRESULT CALLBACK hook(int code, WPARAM wParam, LPARAM lParam);
    HHOOK hook_;
    int answer_;
    std::vector<ShownMessage> shown_;
};

// Runs `script` once, inside the modal loop of the next dialog (not a message
// box) that becomes active on this thread. The script must end the dialog.
class DialogScript {
public:
    explicit DialogScript(std::function<void(HWND dialog)> script);
    ~DialogScript();
    DialogScript(const DialogScript&) = delete;
    DialogScript& operator=(const DialogScript&) = delete;

    bool ran() const { return ran_; }

private:
    static LRESULT CALLBACK hook(int code, WPARAM wParam, LPARAM lParam);
    static void CALLBACK onTimer(HWND window, UINT, UINT_PTR, DWORD);
    HHOOK hook_;
    std::function<void(HWND)> script_;
    bool ran_ = false;
};

// While alive, the activation context of this executable's manifest resource
// `id` is active on this thread, as an isolation-aware host activates its own
// around the calls it makes (resource 1 is the process's default context).
class ActivationContext {
public:
    explicit ActivationContext(WORD id);
    ~ActivationContext();
    ActivationContext(const ActivationContext&) = delete;
    ActivationContext& operator=(const ActivationContext&) = delete;

    bool active() const { return active_; }

private:
    HANDLE context_;
    ULONG_PTR cookie_ = 0;
    bool active_ = false;
};

std::string windowText(HWND window);

} // namespace w32ktest
