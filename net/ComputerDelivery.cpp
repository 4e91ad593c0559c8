#include "net/ComputerDelivery.h"

#include <shellapi.h>

#include "net/NetUtil.h"
#include "net/NoteSender.h"

class CShellLauncher : public IProcessLauncher {
public:
    void RunHidden(const std::string& command, const std::string& parameters) override {
        ::ShellExecuteA(nullptr, "open", command.c_str(), parameters.c_str(), nullptr, SW_HIDE);
    }
};

namespace {
// A peer that takes the connection but never answers must not freeze the
// program for good; a receiver answers within milliseconds.
constexpr int kReplyTimeoutMs = 15000;
}  // namespace

std::vector<std::string> SplitRecipients(const std::string& text) {
    std::vector<std::string> out;
    std::size_t start = 0;
    for (std::size_t tilde; (tilde = text.find('~', start)) != std::string::npos; start = tilde + 1)
        if (tilde > start) out.push_back(text.substr(start, tilde - start));
    return out;
}

DeliveryReport DeliverNote(std::int32_t noteId, const std::vector<std::string>& recipients,
                           const std::string& identity, const std::string& plainText) {
    DeliveryReport report;
    CShellLauncher launcher;
    NoteSenderOptions options;
    options.launcher = &launcher;
    options.replyTimeoutMs = kReplyTimeoutMs;
    CNoteSender sender(options);
    HCURSOR old = ::SetCursor(::LoadCursor(nullptr, IDC_WAIT));
    for (const std::string& recipient : recipients) {
        if (CNetUtil().IsEmailAddress(recipient))
            report.email.push_back(recipient);
        else
            report.errors += sender.SendNote(recipient, noteId, identity, plainText);
    }
    ::SetCursor(old);
    return report;
}
