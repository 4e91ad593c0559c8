#include "note/ReplyTitle.h"

namespace {

void RemoveAll(std::string& text, const std::string& word) {
    for (std::size_t at; (at = text.find(word)) != std::string::npos;) text.erase(at, word.size());
}

}  // namespace

ReplyTitle ReceivedTitle(const std::string& title, const std::string& titleFontType) {
    ReplyTitle r;
    const bool named = title.compare(0, 5, "Name:") == 0;
    if (!named) {
        const auto blank = title.find(' ');
        if (blank != std::string::npos) r.replyTo = title.substr(0, blank);
    }
    r.replyOffered = !r.replyTo.empty() && r.replyTo != "ANONYMOUS" && !named;
    r.title = title;
    if (r.replyOffered) return r;
    RemoveAll(r.title, "ANONYMOUS ");
    if (named) RemoveAll(r.title, "Name:");
    if (titleFontType.find('L') != std::string::npos)
        r.title = " " + r.title;
    else if (titleFontType.find('R') != std::string::npos)
        r.title += " ";
    return r;
}
