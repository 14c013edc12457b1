#include "mapi/MailSpool.h"

#include "base/PlatformRoot.h"
#include "mapi/MapiCodes.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <fstream>
#include <spawn.h>
#include <sys/wait.h>

extern char** environ;

namespace mapi {

namespace {

// The last line a file holds that is not blank, at most 200 characters of it.
std::string LastLine(const std::filesystem::path& file)
{
    std::ifstream in(file, std::ios::binary);
    std::string line, last;
    while (std::getline(in, line)) {
        while (!line.empty() && (line.back() == '\r' || line.back() == ' '))
            line.pop_back();
        if (!line.empty())
            last = line;
    }
    for (char& c : last)
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F)
            c = ' ';
    return last.size() > 200 ? last.substr(0, 200) + "..." : last;
}

// Runs the command with the file as standard input; true when it exits with 0. Otherwise `why`
// says how it ended.
bool RunCommand(const std::string& command, const std::filesystem::path& file,
                const std::vector<std::string>& recipients, std::string& why)
{
    const std::filesystem::path errors = file.string() + ".errors";
    posix_spawn_file_actions_t actions;
    if (posix_spawn_file_actions_init(&actions) != 0) {
        why = "the mail command cannot be started";
        return false;
    }
    posix_spawn_file_actions_addopen(&actions, 0, file.c_str(), O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 2, errors.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    // The recipients go in as "$@", so no address is ever read by the shell as syntax.
    std::vector<std::string> args = {"/bin/sh", "-c", command + " \"$@\"", "sendmail"};
    args.insert(args.end(), recipients.begin(), recipients.end());
    std::vector<char*> argv;
    for (auto& a : args)
        argv.push_back(a.data());
    argv.push_back(nullptr);
    pid_t pid = 0;
    const int rc = posix_spawn(&pid, "/bin/sh", &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    std::error_code ec;
    if (rc != 0) {
        why = "the mail command \"" + command + "\" cannot be started: " + std::strerror(rc);
        std::filesystem::remove(errors, ec);
        return false;
    }
    int status = 0;
    while (waitpid(pid, &status, 0) < 0) {
        if (errno != EINTR) {
            why = "the mail command \"" + command + "\" was lost: " + std::strerror(errno);
            std::filesystem::remove(errors, ec);
            return false;
        }
    }
    const bool ok = WIFEXITED(status) && WEXITSTATUS(status) == 0;
    if (!ok) {
        why = "the mail command \"" + command + "\" " +
              (WIFEXITED(status) ? "ended with exit status " + std::to_string(WEXITSTATUS(status))
                                 : "was ended by signal " + std::to_string(WTERMSIG(status)));
        if (const std::string said = LastLine(errors); !said.empty())
            why += ": " + said;
    }
    std::filesystem::remove(errors, ec);
    return ok;
}

} // namespace

HRESULT MailSpool::Deliver(const ComposedMail& mail, std::filesystem::path& written, std::string* why)
{
    std::string reason;
    std::error_code ec;
    const std::filesystem::path dir = platform::SpoolDirectory();
    std::filesystem::create_directories(dir, ec);
    // The file name is the message ID's unique part, so two submissions never collide.
    std::string name = mail.messageId.substr(1, mail.messageId.find('@') - 1);
    const std::filesystem::path target = dir / (name + ".eml");
    const std::filesystem::path temp = dir / (name + ".tmp");
    {
        std::ofstream out(temp, std::ios::binary | std::ios::trunc);
        out.write(mail.text.data(), static_cast<std::streamsize>(mail.text.size()));
        out.close();
        if (!out) {
            if (why)
                *why = "the spool file " + temp.string() + " cannot be written: " + std::strerror(errno);
            std::filesystem::remove(temp, ec);
            return MAPI_E_DISK_ERROR;
        }
    }
    std::filesystem::rename(temp, target, ec);
    if (ec) {
        if (why)
            *why = "the spool file " + target.string() + " cannot be written: " + ec.message();
        std::filesystem::remove(temp, ec);
        return MAPI_E_DISK_ERROR;
    }
    const char* command = std::getenv(kCommandVariable);
    if (command && *command && !RunCommand(command, target, mail.envelope, reason)) {
        if (why)
            *why = reason;
        std::filesystem::remove(target, ec);
        return MAPI_E_NETWORK_ERROR;
    }
    written = target;
    return S_OK;
}

} // namespace mapi
