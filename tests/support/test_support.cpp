#include "support/test_support.h"

namespace w32ktest {

namespace {
// The message text static of a message box.
constexpr int kMessageBoxTextId = 0xFFFF;

// Per thread: each thread's dialogs and message boxes have their own script and recorder.
thread_local MessageBoxRecorder* g_recorder = nullptr;
thread_local DialogScript* g_script = nullptr;
} // namespace

std::string exeDirectory()
{
    char path[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string dir(path);
    return dir.substr(0, dir.find_last_of("\\/"));
}

void Library::unload()
{
    if (module_)
        FreeLibrary(module_);
    module_ = nullptr;
}

void pumpMessages(DWORD ms)
{
    const DWORD start = GetTickCount();
    do {
        MSG msg;
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
        if (ms)
            MsgWaitForMultipleObjects(0, nullptr, FALSE, 5, QS_ALLINPUT);
    } while (GetTickCount() - start < ms);
}

bool Turns::await(int turn) const
{
    MSG message;
    for (const DWORD start = GetTickCount(); current_ < turn; Sleep(1)) {
        PeekMessageA(&message, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
        if (GetTickCount() - start > 10000)
            return false;
    }
    return true;
}

std::string windowText(HWND window)
{
    char text[1024] = {};
    GetWindowTextA(window, text, sizeof text);
    return text;
}

namespace {

std::string className(HWND window)
{
    char name[256] = {};
    GetClassNameA(window, name, sizeof name);
    return name;
}

HANDLE createContext(WORD id)
{
    ACTCTXA description{};
    description.cbSize = sizeof description;
    description.dwFlags = ACTCTX_FLAG_HMODULE_VALID | ACTCTX_FLAG_RESOURCE_NAME_VALID;
    description.hModule = GetModuleHandleA(nullptr);
    description.lpResourceName = MAKEINTRESOURCEA(id);
    return CreateActCtxA(&description);
}

// A dialog run by the system's message-box procedure (not merely a dialog
// with a label of the message text's id -1).
bool isMessageBox(HWND window)
{
    if (className(window) != "#32770" || GetDlgItem(window, kMessageBoxTextId) == nullptr)
        return false;
    const auto proc = reinterpret_cast<const void*>(GetWindowLongPtrW(window, DWLP_DLGPROC));
    HMODULE owner = nullptr;
    constexpr DWORD kByAddress =
        GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT;
    return GetModuleHandleExA(kByAddress, static_cast<LPCSTR>(proc), &owner) &&
           owner == GetModuleHandleA("user32.dll");
}

} // namespace

ActivationContext::ActivationContext(WORD id) : context_(createContext(id))
{
    active_ = context_ != INVALID_HANDLE_VALUE && ActivateActCtx(context_, &cookie_);
}

ActivationContext::~ActivationContext()
{
    if (active_)
        DeactivateActCtx(0, cookie_);
    if (context_ != INVALID_HANDLE_VALUE)
        ReleaseActCtx(context_);
}

MessageBoxRecorder::MessageBoxRecorder(int answer)
    : hook_(SetWindowsHookExA(WH_CBT, hook, nullptr, GetCurrentThreadId())), answer_(answer)
{
    g_recorder = this;
}

MessageBoxRecorder::~MessageBoxRecorder()
{
    UnhookWindowsHookEx(hook_);
    g_recorder = nullptr;
}

std::vector<std::string> MessageBoxRecorder::texts() const
{
    std::vector<std::string> all;
    for (const auto& m : shown_)
        all.push_back(m.text);
    return all;
}

LRESULT CALLBACK MessageBoxRecorder::hook(int code, WPARAM wParam, LPARAM lParam)
{
    if (code == HCBT_ACTIVATE && g_recorder) {
        const auto window = reinterpret_cast<HWND>(wParam);
        if (isMessageBox(window)) {
            g_recorder->shown_.push_back(
                {windowText(window), windowText(GetDlgItem(window, kMessageBoxTextId))});
            PostMessageA(window, WM_COMMAND, MAKEWPARAM(g_recorder->answer_, BN_CLICKED), 0);
        }
    }
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

DialogScript::DialogScript(std::function<void(HWND)> script)
    : hook_(SetWindowsHookExA(WH_CBT, hook, nullptr, GetCurrentThreadId())),
      script_(std::move(script))
{
    g_script = this;
}

DialogScript::~DialogScript()
{
    if (hook_)
        UnhookWindowsHookEx(hook_);
    g_script = nullptr;
}

LRESULT CALLBACK DialogScript::hook(int code, WPARAM wParam, LPARAM lParam)
{
    if (code == HCBT_ACTIVATE && g_script && g_script->hook_) {
        const auto window = reinterpret_cast<HWND>(wParam);
        if (className(window) == "#32770" && !isMessageBox(window)) {
            UnhookWindowsHookEx(g_script->hook_);
            g_script->hook_ = nullptr;
            SetTimer(window, reinterpret_cast<UINT_PTR>(g_script), USER_TIMER_MINIMUM, onTimer);
            return 0;
        }
    }
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

void CALLBACK DialogScript::onTimer(HWND window, UINT, UINT_PTR id, DWORD)
{
    KillTimer(window, id);
    if (g_script && !g_script->ran_) {
        g_script->ran_ = true;
        g_script->script_(window);
    }
}

} // namespace w32ktest
