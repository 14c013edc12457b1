#include "mapi/MailSpool.h"

#include "base/PlatformRoot.h"
#include "mapi/MapiCodes.h"

#include <cstdlib>
#include <fcntl.h>
#include <fstream>
#include <spawn.h>
#include <sys/wait.h>

extern char** environ;

namespace mapi {

namespace {

// Runs the command with the file as standard input; true when it exits with 0.
bool RunCommand(const std::string& command, const std::filesystem::path& file,
                const std::vector<std::string>& recipients)
{
    posix_spawn_file_actions_t actions;
    if (posix_spawn_file_actions_init(&actions) != 0)
        return false;
    posix_spawn_file_actions_addopen(&actions, 0, file.c_str(), O_RDONLY, 0);
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
    if (rc != 0)
        return false;
    int status = 0;
    while (waitpid(pid, &status, 0) < 0) {
        if (errno != EINTR)
            return false;
    }
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

} // namespace

HRESULT MailSpool::Deliver(const ComposedMail& mail, std::filesystem::path& written)
{
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
            std::filesystem::remove(temp, ec);
            return MAPI_E_DISK_ERROR;
        }
    }
    std::filesystem::rename(temp, target, ec);
    if (ec) {
        std::filesystem::remove(temp, ec);
        return MAPI_E_DISK_ERROR;
    }
    const char* command = std::getenv(kCommandVariable);
    if (command && *command && !RunCommand(command, target, mail.envelope)) {
        std::filesystem::remove(target, ec);
        return MAPI_E_NETWORK_ERROR;
    }
    written = target;
    return S_OK;
}

} // namespace mapi
