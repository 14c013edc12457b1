// The program's document and main view without a display, on the calling thread: the
// application with its settings key, the document (which connects the engine that the root has
// registered, if any), a stand-in frame window that counts the WM_CLOSE it gets, and the view
// with its platform window on this thread's message loop.
#pragma once

#include "OrvApp.h"
#include "OrvDoc.h"
#include "OrvView.h"

#include "base/Window.h"

#include <functional>
#include <memory>

class CViewHarness {
public:
    CViewHarness() = default;
    ~CViewHarness() { Destroy(); }
    CViewHarness(const CViewHarness&) = delete;
    CViewHarness& operator=(const CViewHarness&) = delete;

    // `prepare` sees the document before the view is made.
    void Make(const std::function<void(COrvDoc&)>& prepare = {})
    {
        app = std::make_unique<COrvApp>();
        app->SetRegistryKey("Tembrix");
        doc = std::make_unique<COrvDoc>();
        if (prepare)
            prepare(*doc);
        frame = platform::CreateMessageWindow(
            "TestFrame", "Frame",
            [this](HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) -> LRESULT {
                if (message == WM_CLOSE) {
                    ++closes;
                    return 0;
                }
                return DefWindowProcA(hwnd, message, wParam, lParam);
            },
            HWND_MESSAGE);
        NewView();
    }
    // A view of its own in place of the one there (as a new start of the program makes it).
    bool NewView()
    {
        view = std::make_unique<COrvView>(*app, *doc);
        return view->Create(HWND_MESSAGE, frame);
    }
    void Destroy()
    {
        view.reset();
        if (frame)
            DestroyWindow(frame);
        frame = nullptr;
        doc.reset();
        app.reset();
    }

    std::unique_ptr<COrvApp> app;
    std::unique_ptr<COrvDoc> doc;
    std::unique_ptr<COrvView> view;
    HWND frame = nullptr;
    int closes = 0;
};
