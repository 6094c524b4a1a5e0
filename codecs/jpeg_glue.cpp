#include "codecs/jpeg_glue.h"

#include <jerror.h>

#include "codecs/codec_error.h"

namespace jpeg_glue {
namespace {

// The library's text is the failure's reason ("not a JPEG file: starts with
// 0x89 0x50"), except where its working memory hit the cap, whose texts
// speak of backing store.
[[noreturn]] void ErrorExit(j_common_ptr cinfo) {
    auto* record = reinterpret_cast<ErrorRecord*>(cinfo->err);
    cinfo->err->format_message(cinfo, record->message);
    const int code = cinfo->err->msg_code;
    if (record->inputExhausted)
        ImageFail("truncated");  // the end-of-image marker we made up came too early
    else if (code == JERR_OUT_OF_MEMORY || code == JERR_NO_BACKING_STORE ||
             code == JERR_TFILE_CREATE)
        ImageFail("the decoder needs more memory than the limit allows");
    else
        ImageFailLibrary(record->message, "damaged file");
    std::longjmp(record->jump, 1);
}

// Warnings (level -1) are counted as the library would; past the end of the
// data they mean the picture is incomplete. Trace messages are dropped.
void EmitMessage(j_common_ptr cinfo, int level) {
    auto* record = reinterpret_cast<ErrorRecord*>(cinfo->err);
    if (level < 0) {
        ++cinfo->err->num_warnings;
        if (record->inputExhausted)
            record->damagedAfterEnd = true;
    }
}

// The library's texts are never shown to the user.
void OutputMessage(j_common_ptr) {}

}  // namespace

jpeg_error_mgr* InstallErrorRecord(ErrorRecord& record) {
    jpeg_std_error(&record.pub);
    record.pub.error_exit = ErrorExit;
    record.pub.emit_message = EmitMessage;
    record.pub.output_message = OutputMessage;
    record.message[0] = '\0';
    record.inputExhausted = false;
    record.damagedAfterEnd = false;
    return &record.pub;
}

}  // namespace jpeg_glue
