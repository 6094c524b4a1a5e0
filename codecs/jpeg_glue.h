#pragma once

// What the JPEG decoder and encoder share: the error record that turns every
// fatal library error into a jump back to the running call.

#include <csetjmp>
#include <cstddef>
#include <cstdio>  // jpeglib.h needs FILE and size_t declared first

#include <jpeglib.h>

namespace jpeg_glue {

// Plain C data only: it lives in the frame that calls setjmp, where nothing
// with a destructor may live.
struct ErrorRecord {
    jpeg_error_mgr pub;
    std::jmp_buf jump;
    // The formatted text of the last fatal error, also recorded as the
    // failure's reason (codec_error.h).
    char message[JMSG_LENGTH_MAX];
    // Set by the memory source once the data ran out and it started handing
    // out an end-of-image marker instead.
    bool inputExhausted;
    // A warning raised after that point: the image data was cut short.
    bool damagedAfterEnd;
};

// Fills `record` and returns the library's view of it, ready for cinfo.err.
jpeg_error_mgr* InstallErrorRecord(ErrorRecord& record);

}  // namespace jpeg_glue
