#include "mapi/LogCheckpointer.h"

#include <sqlite3.h>

namespace mapi {

LogCheckpointer::LogCheckpointer(std::filesystem::path path, int dueFrom) : m_path(std::move(path)), m_dueFrom(dueFrom)
{
}

LogCheckpointer::~LogCheckpointer()
{
    Stop();
    if (m_thread.joinable())
        m_thread.join();
    if (m_db)
        sqlite3_close_v2(m_db);
}

void LogCheckpointer::Attach(sqlite3* db)
{
    sqlite3_wal_hook(
        db,
        [](void* self, sqlite3* committer, const char* name, int pages) {
            if (static_cast<LogCheckpointer*>(self)->Committed(pages))
                sqlite3_wal_checkpoint_v2(committer, name, SQLITE_CHECKPOINT_PASSIVE, nullptr, nullptr);
            return SQLITE_OK;
        },
        this);
}

bool LogCheckpointer::Committed(int pages)
{
    if (pages < m_dueFrom)
        return false;
    std::lock_guard lock(m_mutex);
    if (m_stopped)
        return false;
    if (m_copied && !m_running) {
        // Only what came since the thread's checkpoint is left: few pages, soon copied.
        m_copied = false;
        return true;
    }
    if (pages >= m_dueFrom * kBoundFactor)
        return true;
    if (!m_due && !m_running) {
        m_due = true;
        if (!m_thread.joinable())
            m_thread = std::thread([this] { Work(); });
        else
            m_wake.notify_one();
    }
    return false;
}

void LogCheckpointer::Stop()
{
    std::unique_lock lock(m_mutex);
    m_stopped = true;
    m_due = false;
    m_wake.notify_one();
    m_idle.wait(lock, [this] { return !m_running; });
}

int LogCheckpointer::Made()
{
    std::lock_guard lock(m_mutex);
    return m_made;
}

void LogCheckpointer::Work()
{
    std::unique_lock lock(m_mutex);
    for (;;) {
        m_wake.wait(lock, [this] { return m_due || m_stopped; });
        if (m_stopped)
            return;
        m_due = false;
        m_running = true;
        lock.unlock();
        if (!m_db) {
            // A connection of SQLite's own beside the file's: SQLite keeps the locks of the two
            // apart within the process. The file's last connection to close makes the final
            // checkpoint, not this one.
            if (sqlite3_open_v2(m_path.c_str(), &m_db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_NOMUTEX, nullptr) ==
                SQLITE_OK) {
                sqlite3_db_config(m_db, SQLITE_DBCONFIG_NO_CKPT_ON_CLOSE, 1, nullptr);
                sqlite3_exec(m_db, "PRAGMA synchronous=NORMAL", nullptr, nullptr, nullptr);
            } else {
                sqlite3_close_v2(m_db);
                m_db = nullptr;
            }
        }
        // A failed checkpoint loses nothing: the pages stay in the log, and the next one
        // copies them.
        const bool made = m_db && sqlite3_wal_checkpoint_v2(m_db, nullptr, SQLITE_CHECKPOINT_PASSIVE, nullptr,
                                                            nullptr) == SQLITE_OK;
        lock.lock();
        m_running = false;
        if (made) {
            ++m_made;
            m_copied = true;
        }
        m_idle.notify_all();
    }
}

} // namespace mapi
