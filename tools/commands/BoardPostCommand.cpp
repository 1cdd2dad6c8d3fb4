#include "BoardPostCommand.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <memory>
#include <ostream>

#include "AdminError.h"
#include "AdminText.h"
#include "Arguments.h"
#include "Terminal.h"
#include "kelvoadmin.h"

namespace {

// A piped text ends with the newline that ends its last line; that one is not
// part of the text (as a commit message read from a file).
std::string TextWithoutFinalNewline(std::string text) {
    if (!text.empty() && text.back() == '\n')
        text.pop_back();
    if (!text.empty() && text.back() == '\r')
        text.pop_back();
    return text;
}

void SetNow(kvTimeBlock& posted) {
    std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    posted.seconds = local.tm_sec;
    posted.minutes = local.tm_min;
    posted.hours = local.tm_hour;
    posted.dayOfMonth = local.tm_mday;
    posted.month = local.tm_mon;
    posted.yearsSince1900 = local.tm_year;
}

} // namespace

void CBoardPostCommand::Run(CArguments& args, CTerminal& terminal) {
    std::string user = args.TakeSingleOption("--user", true);
    std::string title = args.TakeSingleOption("--title", true);
    std::string replyTo = args.TakeSingleOption("--reply-to");
    args.ExpectNoMore();

    auto message = std::make_unique<kvBoardMessage>();
    std::memset(message.get(), 0, sizeof(*message));
    if (!replyTo.empty()) {
        char* end = nullptr;
        unsigned long parent = std::strtoul(replyTo.c_str(), &end, 16);
        if (*end != '\0' || parent == 0 || parent > 0xFFFFFFFFul)
            throw CAdminError("--reply-to needs a message ID as dump prints it, e.g. 00000001");
        message->parentId = static_cast<uint32_t>(parent);
    }
    kvCopyText(message->userName,
               CAdminText::ToCp932Field(user, "user name", sizeof(message->userName)).c_str(),
               sizeof(message->userName));
    std::string cpTitle = CAdminText::ToCp932Field(title, "title", sizeof(message->title));
    if (cpTitle.empty())
        throw CAdminError("the title is empty");
    kvCopyText(message->title, cpTitle.c_str(), sizeof(message->title));
    kvCopyText(message->text,
               CAdminText::ToCp932Field(TextWithoutFinalNewline(terminal.ReadAll()), "message text",
                                        sizeof(message->text))
                   .c_str(),
               sizeof(message->text));
    SetNow(message->posted);

    OpenDatabase();
    uint32_t id = 0;
    if (!kvAdminPostBoardMessage(message.get(), &id))
        CAdminText::Fail("the message cannot be posted");
    char printed[16];
    std::snprintf(printed, sizeof(printed), "%08X", id);
    terminal.Out() << "message " << printed << " posted\n";
}
