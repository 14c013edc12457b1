// A stand-in tray on the test's virtual display: it owns the X selection by which a tray
// manager announces itself, so that the toolkit sees a tray; it shows nothing.
#pragma once

class FakeTrayManager {
public:
    FakeTrayManager();
    ~FakeTrayManager();
    FakeTrayManager(const FakeTrayManager&) = delete;
    FakeTrayManager& operator=(const FakeTrayManager&) = delete;
    bool ok() const { return m_window != 0; }

private:
    void* m_display = nullptr;
    unsigned long m_window = 0;
};
