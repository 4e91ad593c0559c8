// How a received note presents its sender: the reply-to address taken from
// its title, or, for anonymous and "Name:" senders, a cleaned-up title.
#pragma once

#include <string>

struct ReplyTitle {
    bool replyOffered = false;
    std::string replyTo;  // the title up to its first blank
    std::string title;    // the title to show when no reply is offered
};

ReplyTitle ReceivedTitle(const std::string& title, const std::string& titleFontType);
