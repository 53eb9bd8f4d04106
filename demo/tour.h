// The scripted tour: shows every page and dialog and saves a PNG of each.
#pragma once

#include <windows.h>

#include <functional>
#include <string>

namespace demo {

class Tour {
public:
    explicit Tour(std::string directory);

    // Saves what the window shows now as <directory>/<name>.png.
    bool screenshot(HWND window, const std::string& name);

    // Arranges for the next dialog opened on this thread to be captured as
    // <name>.png once it is up; `prepare` runs first (it may fill controls),
    // then the dialog is cancelled. Returns after `open` returns.
    void captureDialog(const std::string& name, const std::function<void()>& open,
                       const std::function<void(HWND)>& prepare = {});

    int failures() const { return failures_; }

private:
    std::string directory_;
    int failures_ = 0;
};

} // namespace demo
