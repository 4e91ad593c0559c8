// A note as an e-mail: the subject and body a note e-mail is sent with, how
// an Inbox message is recognised as one and its note data taken out, the
// check thread's hand-over of that note data to the user thread, and the
// error line of an e-mail recipient the note never reached.
#pragma once

#include <atomic>
#include <functional>
#include <optional>
#include <string>

constexpr char kNoteSubjectPrefix[] = "Pinwell : Note from";
constexpr char kNoteDataBegin[] = "<BEGIN>";
constexpr char kNoteDataEnd[] = "<END>";

constexpr char kEmailNoteSection[] = "EMAIL_NOTE_RECEIVED";
constexpr char kEmailNoteKey[] = "EmailNoteData";

// "PINWELL 3.LAN": the product name and version label in capitals.
std::string MailProductLabel();

// Who the mail says it is from: the sent-from identity at the head of the
// note data ("MYCOMPUTER" without one), or, unless the sender is anonymous,
// the user name (with ", " and the computer label when there is one) when
// the system gives a user name.
std::string EmailFromText(const std::string& noteData, const std::string& userName,
                          const std::string& computerLabel);

std::string NoteEmailSubject(const std::string& fromText);

// The readable text, the notice for mail readers and the note data between
// the markers. The one space per attachment is added when sending.
std::string NoteEmailBody(const std::string& fromText, const std::string& plainText,
                          const std::string& noteData);

// Exact, case-sensitive prefix test; a message without subject is no note.
bool IsNoteEmailSubject(const char* subject);

// The note data: the text from the "<BEGIN>" after the notice sentence (the
// first "<BEGIN>" when the sentence is missing or has none after it) to the
// last "<END>", every "\r\n" removed (mail systems wrap long lines), so a
// note whose own text holds the markers arrives whole. Nothing when either
// marker is missing; empty when no "<END>" follows the "<BEGIN>".
std::optional<std::string> NoteDataFromEmailBody(const char* body);

// The check thread hands a note's data to the user thread through
// EMAIL_NOTE_RECEIVED/EmailNoteData: it waits, polling, until the value is
// empty (a note left there at the last exit is taken first), writes it and
// calls written (which wakes the user thread). Gives up waiting when abandon
// is set (the program is ending) and writes nothing then. fits, when given,
// is asked once the value is empty (a waiting note would count twice)
// whether the data file can take the note; Refused when it cannot.
enum class EmailHandOver { Written, Abandoned, Failed, Refused };
EmailHandOver HandOverEmailNote(const std::string& dataFile, const std::string& noteData, int pollMs,
                                const std::atomic<bool>& abandon, const std::function<void()>& written = {},
                                const std::function<bool(const std::string&)>& fits = {});

// The error line of an e-mail recipient that was never handed to the mail
// system; mailSystemMissing when the program has no mail system to use.
std::string EmailNotSentLine(const std::string& recipient, bool mailSystemMissing);
