#pragma once
// The text of a feedback report: the two encoders of the notification form, the form body, the
// subject from a ticket number, the encoding of the user's message and the system header. Pure
// functions, except GetSystemSettings, which reads the registry.
#include <string>
#include <string_view>
#include <vector>

namespace tess::feedback {

// The form-field encoder: trimmed; letters and digits kept; every other character "%" + its
// 16-bit code in upper-case hexadecimal, padded to two digits below 16 ("%09", "%20", "%E9", "%20AC").
std::wstring URLEncode(std::wstring_view text);
// The UTF-8 encoder: "" for a blank text; each UTF-8 byte kept when it is a letter, a digit or
// "/", else "%" + its value in upper-case hexadecimal without padding (line feed: "%A").
std::wstring URLEncodeWebd(std::wstring_view text);

// A text split at CR LF: one line gives URLEncodeWebd(line); several give, for each line,
// URLEncodeWebd(line) followed by a bare line feed (so "a" CR LF "b" gives "a\nb\n").
std::wstring EncodeLines(std::wstring_view text);

// "Ostrova - Tessaron user feedback" for a blank ticket number, else "Tessaron Ticket : " + the
// trimmed number.
std::wstring SubjectForTicket(std::wstring_view ticket);

// The caption of the ticket box: on two lines, or on one ("Trouble Ticket No ...") when the
// label has no room for two.
std::wstring TicketCaption(bool roomForTwoLines);

// One field of the notification form.
struct FormField {
    std::wstring name;
    std::wstring value;
    bool encode = true;  // through URLEncode; the first field is always encoded
};
// name=value, each further field preceded by CR LF "&".
std::wstring FormBody(const std::vector<FormField>& fields);

// The form SendEmail posts, and where.
struct NotificationForm {
    std::wstring path;  // "/cgi-bin/Notify_email" or "/cgi-bin/Notify_unicode"
    std::wstring body;
};
// EMAIL (the recipients with every ";" removed), SUBJECT, CONTENT unchanged, and user_email only
// when the user's address is not blank (which also selects the path).
NotificationForm BuildNotificationForm(std::wstring_view recipient, std::wstring_view subject,
                                       std::wstring_view content, std::wstring_view userEmail);

// What the system header says about the machine and the user.
struct SystemFacts {
    std::wstring version;         // "major.minor.revision"
    std::wstring osName;
    std::wstring osVersion;
    std::wstring browserVersion;
    bool proxy = false;
    std::wstring email;           // as typed
    std::wstring contactNumber;   // as typed
};
// The header lines joined by CR LF, ending with two empty lines (CR LF CR LF).
std::wstring ComposeSystemHeader(const SystemFacts& facts);

// The machine's facts from the registry (the consumer platform keeps them under
// Windows\CurrentVersion, every other one under Windows NT\CurrentVersion) and the header.
SystemFacts ReadSystemFacts();
std::wstring GetSystemSettings(const std::wstring& email, const std::wstring& contactNumber);

// The whole report: header, CR LF, the encoded message (the log bundle and the release date are
// appended by the caller).
std::wstring ReportStart(const std::wstring& header, std::wstring_view message);

extern const wchar_t kReleaseDateLine[];  // CR LF CR LF "Release date : 05/26/2011"

}  // namespace tess::feedback
