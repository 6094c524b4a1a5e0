#pragma once

// Opening an address (a web page, a "mailto:" address) with the user's
// default handler: first through the desktop's own services, then by
// starting the desktop's default text/html handler with the address. Results
// are codes where a value above 32 means success and the others name the
// reason, with texts for the user.

#include <optional>
#include <string>
#include <vector>

// Result codes used here (the rest of the texts' table stays available).
inline constexpr int kOpenSucceeded = 42;
inline constexpr int kOpenFileNotFound = 2;    // the handler's program is missing
inline constexpr int kOpenAccessDenied = 5;    // the program may not be run
inline constexpr int kOpenIncomplete = 27;     // the handler's entry has no usable Exec
inline constexpr int kOpenNoAssociation = 31;  // no handler at all

// The project's own addresses, shown in the About box and opened by the
// donation button. Set at configure time (see shell/CMakeLists.txt).
std::string GetProjectWebAddress();
std::string GetSupportAddress();
std::string GetDonationAddress();

// Opens `address`; see the codes above.
int OpenTarget(const std::string& address);
// The second way alone: the default text/html handler started with `address`.
int OpenWithDefaultHtmlHandler(const std::string& address);

// The text for a result code, and the whole message for a failed click.
std::string GetOpenErrorText(int code);
std::string GetHyperlinkErrorMessage(int code);

// Opens the donation page; on failure tells the user and returns false.
bool OpenDonationPage();

// The parts of the fallback, exposed for their own checks.
// Full path of the .desktop entry of the default handler for `mimeType`.
std::optional<std::string> FindDefaultHandlerEntry(const std::string& mimeType);
// The Exec value of a .desktop entry; empty when missing.
std::string ReadDesktopEntryExec(const std::string& entryPath);
// The Exec value cut where its first file or URL placeholder starts (with
// the quotation marks around it), split into program and arguments by the
// Desktop Entry quoting rules; other field codes are dropped.
std::vector<std::string> HandlerCommand(const std::string& exec);
