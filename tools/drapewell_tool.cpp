// drapewell-tool: the library's file handling for scripts and tests: info,
// convert, apply and show. tools/tool_help.cpp describes each command and
// option once, for --help and for the man page. Exit status 0 on success
// (for apply: the desktop took the picture); otherwise one line on stderr
// and status 1.

#include <charconv>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "codecs/codec_error.h"
#include "codecs/codec_table.h"
#include "codecs/dispatch.h"
#include "codecs/gif.h"
#include "codecs/probe.h"
#include "image/picture.h"
#include "platform/base/product.h"
#include "platform/base/text.h"
#include "platform/desktop/monitors.h"
#include "tools/edit_operations.h"
#include "tools/show_command.h"
#include "tools/tool_help.h"
#include "wallpaper/change_job.h"

namespace {

int Fail(const std::string& message) {
    std::fprintf(stderr, "drapewell-tool: %s\n", platform::OneLineText(message).c_str());
    return 1;
}

// A failed load's or save's line, with the reader's or writer's reason.
int FailWithReason(const std::string& message) {
    const std::string_view reason = LastImageError();
    return Fail(reason.empty() ? message : message + ": " + std::string(reason));
}

int Usage() {
    // One line, as every failure of the tool is.
    std::string line = "usage: drapewell-tool ";
    for (const tool_help::CommandHelp& command : tool_help::Commands()) {
        if (&command != tool_help::Commands().data())
            line += " | ";
        line.append(command.name).append(" ").append(command.arguments);
    }
    std::fprintf(stderr, "%s\n", line.c_str());
    return 1;
}

// --help, and "help COMMAND" or "COMMAND --help", on stdout.
int Help() {
    std::fputs(tool_help::OverviewText().c_str(), stdout);
    return 0;
}

int CommandHelpFor(const char* name) {
    const tool_help::CommandHelp* command = tool_help::FindCommand(name);
    if (!command)
        return Fail(std::string("no such command: ") + name);
    std::fputs(tool_help::CommandText(*command).c_str(), stdout);
    return 0;
}

// `readAs` receives the format the file was read as, which differs from the
// extension's when the extension lies.
int Load(CPicture& picture, const std::string& path, ImageType& readAs) {
    const ImageType type = ImageTypeFromExtension(path);
    if (type == kImageUnknown)
        return Fail(path + ": unknown file type (by extension)");
    readAs = LoadImageFileAs(picture, path);
    if (readAs == kImageUnknown)
        return FailWithReason(path + ": cannot read it as " + FormatName(type));
    return 0;
}

int Info(const std::string& path) {
    CPicture picture;
    ImageType type = kImageUnknown;
    if (const int status = Load(picture, path, type))
        return status;
    std::printf("type: %s\nwidth: %u\nheight: %u\nbits: %u\ncolours: %u\n", FormatName(type),
                picture.GetWidth(), picture.GetHeight(), unsigned{picture.GetBitCount()},
                picture.CountColours());
    // What the header alone says, on one line of its own.
    CPicture probed;
    ImageFileInfo header;
    ReadImageFileInfo(probed, path, &header);
    if (header.type == kImageUnknown) {
        std::printf("header: not recognised\n");
    } else {
        std::printf(
            "header: type %s size %dx%d bits %u images %u delay %u interlaced %s "
            "transparent %s\n",
            FormatName(static_cast<ImageType>(header.type)), header.width, header.height,
            unsigned{header.bitsPerPixel}, unsigned{header.imageCount}, unsigned{header.delay},
            header.interlaced ? "yes" : "no", header.transparent ? "yes" : "no");
    }
    return 0;
}

// One operation of convert, its value already checked.
struct Operation {
    std::string option;
    std::int32_t number = 0;  // --bits, --rotate; --resize width
    std::int32_t height = 0;  // --resize
    bool exact = false;       // --resize WxH!
    gdi::RECT rect{};         // --select-rect, --select-ellipse
    EditOperation edit{};     // the editing operations
};

bool ParseNumber(const std::string& text, std::int32_t& out) {
    const char* end = text.data() + text.size();
    const auto [at, error] = std::from_chars(text.data(), end, out);
    return error == std::errc{} && at == end;
}

bool ParseSize(const std::string& text, Operation& op) {
    std::string size = text;
    op.exact = !size.empty() && size.back() == '!';
    if (op.exact)
        size.pop_back();
    const std::size_t x = size.find('x');
    return x != std::string::npos && ParseNumber(size.substr(0, x), op.number) &&
           ParseNumber(size.substr(x + 1), op.height) && op.number > 0 && op.height > 0;
}

// L,T,R,B for the selection options.
bool ParseRect(const std::string& text, gdi::RECT& out) {
    std::int32_t v[4];
    std::size_t start = 0;
    for (int i = 0; i < 4; ++i) {
        const std::size_t comma = text.find(',', start);
        if ((comma == std::string::npos) != (i == 3))
            return false;
        const std::size_t length = comma == std::string::npos ? std::string::npos : comma - start;
        if (!ParseNumber(text.substr(start, length), v[i]))
            return false;
        start = comma + 1;
    }
    out = {v[0], v[1], v[2], v[3]};
    return true;
}

// Reads the operations from argv[first] on; an empty string, or what is wrong.
std::string ParseOperations(int argc, char** argv, int first, std::vector<Operation>& out) {
    for (int i = first; i < argc; ++i) {
        Operation op{.option = argv[i]};
        if (bool takesValue = false; IsEditOption(op.option, takesValue)) {
            op.edit.option = op.option;
            if (takesValue && i + 1 >= argc)
                return op.option + " needs a value";
            if (takesValue) {
                if (std::string error = ParseEditValue(op.edit, argv[++i]); !error.empty())
                    return error;
            }
            out.push_back(op);
            continue;
        }
        if (op.option == "--grey" || op.option == "--to16" || op.option == "--to24" ||
            op.option == "--flip" || op.option == "--mirror") {
            out.push_back(op);
            continue;
        }
        if (op.option != "--bits" && op.option != "--rotate" && op.option != "--resize" &&
            op.option != "--frame" && op.option != "--select-rect" &&
            op.option != "--select-ellipse")
            return "unknown operation " + op.option;
        if (i + 1 >= argc)
            return op.option + " needs a value";
        const std::string value = argv[++i];
        if (op.option == "--select-rect" || op.option == "--select-ellipse") {
            if (!ParseRect(value, op.rect))
                return op.option + " takes L,T,R,B, not " + value;
        } else if (op.option == "--bits") {
            if (!ParseNumber(value, op.number) ||
                !gdi::IsSupportedBitCount(static_cast<std::uint32_t>(op.number)))
                return "--bits takes 1, 4, 8, 16, 24 or 32, not " + value;
        } else if (op.option == "--frame") {
            if (!ParseNumber(value, op.number) || op.number < 1)
                return "--frame takes an image number from 1, not " + value;
        } else if (op.option == "--rotate") {
            if (!ParseNumber(value, op.number) ||
                (op.number != 90 && op.number != -90 && (op.number <= 0 || op.number >= 90)))
                return "--rotate takes 90, -90 or 1 to 89 degrees, not " + value;
        } else if (!ParseSize(value, op)) {
            return "--resize takes WxH or WxH!, not " + value;
        }
        out.push_back(op);
    }
    return {};
}

// Applies one operation; an empty string, or why it could not be done. A
// conversion with nothing to do (already grey, already that depth) succeeds.
std::string ApplyOperation(CPicture& picture, const Operation& op) {
    if (!op.edit.option.empty())
        return ApplyEditOperation(picture, op.edit);
    bool done = true;
    if (op.option == "--select-rect") {
        picture.SelectRect(op.rect.left, op.rect.top, op.rect.right, op.rect.bottom, 0);
    } else if (op.option == "--select-ellipse") {
        picture.SelectEllipse(op.rect.left, op.rect.top, op.rect.right, op.rect.bottom, 0);
    } else if (op.option == "--grey") {
        picture.ToGrey();
    } else if (op.option == "--bits") {
        picture.ConvertBitCount(static_cast<std::uint32_t>(op.number));
    } else if (op.option == "--to16") {
        picture.To16Bit();
    } else if (op.option == "--to24") {
        picture.To24Bit();
    } else if (op.option == "--flip") {
        done = picture.FlipVertical();
    } else if (op.option == "--mirror") {
        done = picture.MirrorHorizontal();
    } else if (op.option == "--rotate") {
        done = op.number == 90    ? picture.Rotate90Clockwise()
               : op.number == -90 ? picture.Rotate90CounterClockwise()
                                  : picture.RotateByAngle(op.number);
    } else if (op.option == "--resize") {
        done = picture.Resize(static_cast<std::uint32_t>(op.number),
                              static_cast<std::uint32_t>(op.height), !op.exact);
    }
    if (!picture.IsValid())
        return op.option + ": the converted picture could not be made";
    if (!done)
        return op.option + ": not possible for this " + std::to_string(picture.GetBitCount()) +
               "-bit picture";
    return {};
}

int Convert(int argc, char** argv) {
    const std::string in = argv[2];
    const std::string out = argv[3];
    std::vector<Operation> operations;
    if (const std::string error = ParseOperations(argc, argv, 4, operations); !error.empty())
        return Fail(error);
    CPicture picture;
    ImageType readAs = kImageUnknown;
    if (const int status = Load(picture, in, readAs))
        return status;
    for (const Operation& op : operations) {
        if (op.option != "--frame")
            continue;
        if (readAs != kImageGif)
            return Fail("--frame is for GIF input");
        if (!SelectGifFrame(picture, op.number))
            return Fail(in + ": no image " + std::to_string(op.number));
    }
    for (const Operation& op : operations) {
        if (op.option == "--frame")
            continue;
        if (const std::string error = ApplyOperation(picture, op); !error.empty())
            return Fail(error);
    }
    const ImageType type = ImageTypeFromExtension(out);
    if (type == kImageUnknown)
        return Fail(out + ": unknown file type (by extension)");
    if (!SaveImageFile(picture, out))
        return FailWithReason(out + ": cannot write it as " + FormatName(type));
    return 0;
}

const char* PlacementName(desktop::Placement placement) {
    switch (placement) {
    case desktop::Placement::kCentre:
        return "center";
    case desktop::Placement::kTile:
        return "tile";
    default:
        return "stretch";
    }
}

// The session's monitors, one line each, in the order pictures go to them.
int Monitors() {
    const desktop::MonitorListing listing = desktop::ListSessionMonitors();
    if (listing.monitors.empty())
        return Fail("no monitors: " + listing.error);
    for (const desktop::Monitor& monitor : listing.monitors)
        std::printf("%s\n", desktop::DescribeMonitor(monitor).c_str());
    return 0;
}

// One run of the change pipeline, as the window's job would make it.
int Apply(int argc, char** argv) {
    wallpaper::ChangeRequest request;
    request.stagingPath = wallpaper::StagingBitmapPath();
    // Centred unless --position says otherwise, as the help promises (the
    // record's own default is the window's Stretch).
    request.positionIndex = 0;
    std::vector<std::string> files;
    for (int i = 2; i < argc; ++i) {
        const std::string option = argv[i];
        const bool hasValue = i + 1 < argc;
        if (option.empty() || option[0] != '-') {
            files.push_back(option);
        } else if (option == "--monitors" && hasValue) {
            const std::string value = argv[++i];
            if (value == "same")
                request.monitorMode = 0;
            else if (value == "each")
                request.monitorMode = 1;
            else if (value == "span")
                request.monitorMode = 2;
            else
                return Fail("--monitors takes same, each or span, not " + value);
        } else if (option == "--fit") {
            request.fitToScreen = true;
        } else if (option == "--method" && hasValue) {
            const std::string value = argv[++i];
            if (value.size() != 1 || value[0] < '1' || value[0] > '4')
                return Fail("--method takes 1, 2, 3 or 4, not " + value);
            request.method = value[0] - '0';
        } else if (option == "--position" && hasValue) {
            const std::string value = argv[++i];
            if (value == "center")
                request.positionIndex = 0;
            else if (value == "tile")
                request.positionIndex = 1;
            else if (value == "stretch")
                request.positionIndex = 2;
            else
                return Fail("--position takes center, tile or stretch, not " + value);
        } else {
            return Usage();
        }
    }
    if (files.empty())
        return Usage();
    request.picturePath = files[0];
    if (request.monitorMode == 1)
        request.monitorPictures = files;
    else if (files.size() > 1)
        return Fail("several files are for --monitors each");
    const wallpaper::ChangeResult result = wallpaper::RunChangeJob(
        request, {
                     .makeSetter = wallpaper::DesktopSetters(),
                     .recordLaterPaper = nullptr,
                     .showMessage =
                         [](std::string_view text, std::string_view caption) {
                             std::fprintf(stderr, "%.*s: %.*s\n", int(caption.size()),
                                          caption.data(), int(text.size()), text.data());
                         },
                 });
    if (!result.loadError.empty())
        return Fail(request.picturePath + ": cannot read it as " +
                    FormatName(ImageTypeFromExtension(request.picturePath)) + ": " +
                    result.loadError);
    if (!result.loaded)
        return Fail(result.outcome.detail);
    std::printf("wallpaper: %s\n", result.wallpaperPath.c_str());
    std::printf("placement: %s\n", PlacementName(result.placement));
    for (const auto& [monitor, picture] : result.shown)
        std::printf("monitor %s: %s\n", monitor.c_str(), picture.c_str());
    std::printf("method %d (%s): %s: %s\n", wallpaper::NormalizeMethod(request.method),
                result.setterName.c_str(), result.outcome.accepted ? "accepted" : "refused",
                result.outcome.detail.c_str());
    return result.outcome.accepted ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc == 2 && (std::strcmp(argv[1], "--help") == 0 || std::strcmp(argv[1], "-h") == 0 ||
                      std::strcmp(argv[1], "help") == 0))
        return Help();
    if (argc == 2 && std::strcmp(argv[1], "--version") == 0) {
        std::printf("drapewell-tool (%s) %s\n", GetProductName().c_str(),
                    GetProductVersion().c_str());
        return 0;
    }
    if (argc == 3 && std::strcmp(argv[1], "help") == 0)
        return CommandHelpFor(argv[2]);
    for (int i = 2; i < argc; ++i) {
        if (std::strcmp(argv[i], "--help") == 0)
            return CommandHelpFor(argv[1]);
    }
    if (argc == 3 && std::strcmp(argv[1], "info") == 0)
        return Info(argv[2]);
    if (argc >= 4 && std::strcmp(argv[1], "convert") == 0)
        return Convert(argc, argv);
    if (argc >= 3 && std::strcmp(argv[1], "apply") == 0)
        return Apply(argc, argv);
    if (argc == 2 && std::strcmp(argv[1], "monitors") == 0)
        return Monitors();
    if (argc >= 3 && std::strcmp(argv[1], "show") == 0)
        return ShowCommand(argc, argv);
    return Usage();
}
