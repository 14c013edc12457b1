// LogCheckpointer: copies a store file's write-ahead log into the file on a thread of its own.
// A checkpoint waits for the disk twice (the log, then the file); made by the connection that
// commits, every writer of the process would wait with it. Here a commit only hands over the
// log's length, and a checkpoint that is due runs beside the next commits. It never waits for
// readers or writers (a passive checkpoint), so with commits going on it leaves the newest
// pages in the log; the committing connection then copies those few itself, and the log starts
// over at its beginning with the next commit instead of growing.
#pragma once

#include <condition_variable>
#include <filesystem>
#include <mutex>
#include <thread>

struct sqlite3;

namespace mapi {

class LogCheckpointer {
public:
    // From this many pages in the log a checkpoint is due (about 40 MB): a run of many small
    // commits then copies a page it rewrote often only once.
    static constexpr int kDueFrom = 10000;
    // A log this many times as long is copied by the committing connection at once, whatever
    // the thread is doing (it cannot keep up).
    static constexpr int kBoundFactor = 4;

    explicit LogCheckpointer(std::filesystem::path path, int dueFrom = kDueFrom);
    // Waits for a checkpoint that is running; the file's own connection makes the last one.
    ~LogCheckpointer();
    LogCheckpointer(const LogCheckpointer&) = delete;
    LogCheckpointer& operator=(const LogCheckpointer&) = delete;

    // Has db's commits reported here (it replaces SQLite's own checkpoints after commits).
    void Attach(sqlite3* db);
    // After a commit: the log now holds this many pages. True when the committing connection
    // is to make a checkpoint itself now.
    bool Committed(int pages);
    // No checkpoint from now on (the file is no longer written). Waits for one that is running.
    void Stop();
    // The number of checkpoints the thread made so far.
    int Made();

private:
    void Work();

    const std::filesystem::path m_path;
    const int m_dueFrom;
    std::mutex m_mutex;
    std::condition_variable m_wake;
    std::condition_variable m_idle;
    bool m_due = false;
    bool m_running = false;
    bool m_copied = false; // the thread copied the log since the committer last finished it
    bool m_stopped = false;
    int m_made = 0;
    sqlite3* m_db = nullptr; // the thread's own connection, opened at the first checkpoint
    std::thread m_thread;    // started at the first checkpoint
};

} // namespace mapi
