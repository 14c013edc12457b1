#include "host/BuiltInCommands.h"

#include "base/Utf.h"
#include "host/CommandBarInterfaces.h"

namespace host {

namespace {

const BuiltInCommand kCommands[] = {
    {kMenuFile, msoControlPopup, u"&File", "", 0},
    {kCommandExit, msoControlButton, u"E&xit", "FileExit", kMenuFile},
    {kMenuTools, msoControlPopup, u"&Tools", "", 0},
    {kCommandSendReceiveAll, msoControlButton, u"Send/Re&ceive All", "SendReceiveAll", kMenuTools},
    {kCommandSendReceive, msoControlButton, u"&Send/Receive", "SendReceive", kMenuTools},
    {kCommandReminders, msoControlButton, u"Re&minders Window", "ShowRemindersWindow", kMenuTools},
    {kCommandOptions, msoControlButton, u"&Options...", "ToolsOptions", kMenuTools},
};

} // namespace

std::span<const BuiltInCommand> BuiltInCommands()
{
    return kCommands;
}

const BuiltInCommand* FindBuiltInCommand(LONG id)
{
    for (const BuiltInCommand& c : kCommands)
        if (c.id == id)
            return &c;
    return nullptr;
}

const BuiltInCommand* FindBuiltInCommand(std::string_view name)
{
    for (const BuiltInCommand& c : kCommands)
        if (*c.name && platform::EqualNoCase(c.name, name))
            return &c;
    return nullptr;
}

} // namespace host
