// OCI surface: reading LOB locators filled by a fetch (OCILobRead, single shot or
// polling in pieces with OCI_NEED_DATA) and opening and closing BFILEs. The engine keeps
// no external files, so a BFILE can never be reached and opening one fails as Oracle
// fails for a missing directory or file.
#include "oci/engine.h"
#include "values/errors.h"

#include <cstring>

namespace {

// The byte length of the first `chars` UTF-8 characters of data from byte `from`.
std::size_t utf8_bytes(const std::string& data, std::size_t from, std::size_t chars) {
    std::size_t i = from;
    while (i < data.size() && chars > 0) {
        ++i;
        while (i < data.size() && (static_cast<unsigned char>(data[i]) & 0xC0) == 0x80) ++i;
        --chars;
    }
    return i - from;
}

}  // namespace

extern "C" {

VOCI_EXPORT sword OCILobRead(OCISvcCtx* svchp, OCIError* errhp, OCILobLocator* locp, ub4* amtp, ub4 offset, void* bufp,
                             ub4 bufl, void* ctxp, OCICallbackLobRead cbfp, ub2, ub1) {
    SvcCtxHandle* svc = handle_cast<SvcCtxHandle>(svchp, OCI_HTYPE_SVCCTX);
    LobHandle* lob = handle_cast<LobHandle>(locp, 0);
    if (!svc || !lob || !amtp || (lob->type != OCI_DTYPE_LOB && lob->type != OCI_DTYPE_FILE)) return OCI_INVALID_HANDLE;
    error_clear(errhp);
    if (!lob->has_value) return error_set(errhp, 22275, ora_message(22275));
    if (lob->type == OCI_DTYPE_FILE && !lob->file_open) return error_set(errhp, 22289, ora_message(22289, "FILE READ"));
    if (offset == 0) return error_set(errhp, 21560, ora_message(21560, "3"));
    bool clob = lob->lob_type != SQLT_BLOB && lob->lob_type != SQLT_BFILEE;
    const std::string& data = lob->data;
    if (!lob->reading) {
        // A new read: the offset counts characters for a CLOB, bytes otherwise.
        std::size_t start = clob ? utf8_bytes(data, 0, offset - 1) : static_cast<std::size_t>(offset - 1);
        if (start > data.size()) start = data.size();
        std::size_t wanted = data.size() - start;
        if (*amtp != 0) {
            std::size_t amount = clob ? utf8_bytes(data, start, *amtp) : *amtp;
            if (amount < wanted) wanted = amount;
        }
        lob->read_offset = static_cast<ub4>(start);
        lob->read_end = static_cast<ub4>(start + wanted);
        if (start >= data.size()) {
            *amtp = 0;
            error_set(errhp, 1403, ora_message(1403));
            return OCI_NO_DATA;
        }
    }
    std::size_t remaining = lob->read_end - lob->read_offset;
    if (cbfp) {
        // Callback mode: hand every piece to the callback until the amount is delivered.
        while (remaining > 0) {
            std::size_t n = remaining < bufl ? remaining : bufl;
            std::memcpy(bufp, data.data() + lob->read_offset, n);
            lob->read_offset += static_cast<ub4>(n);
            remaining -= n;
            ub1 piece = remaining == 0 ? OCI_LAST_PIECE : OCI_NEXT_PIECE;
            if (cbfp(ctxp, bufp, static_cast<ub4>(n), piece) == OCI_ERROR) break;
        }
        lob->reading = false;
        *amtp = lob->read_end;
        return OCI_SUCCESS;
    }
    std::size_t n = remaining < bufl ? remaining : bufl;
    std::memcpy(bufp, data.data() + lob->read_offset, n);
    lob->read_offset += static_cast<ub4>(n);
    *amtp = static_cast<ub4>(n);
    if (lob->read_offset < lob->read_end) {
        lob->reading = true;
        return OCI_NEED_DATA;
    }
    lob->reading = false;
    return OCI_SUCCESS;
}

VOCI_EXPORT sword OCILobFileOpen(OCISvcCtx* svchp, OCIError* errhp, OCILobLocator* filep, ub1 mode) {
    SvcCtxHandle* svc = handle_cast<SvcCtxHandle>(svchp, OCI_HTYPE_SVCCTX);
    LobHandle* lob = handle_cast<LobHandle>(filep, OCI_DTYPE_FILE);
    if (!svc || !lob) return OCI_INVALID_HANDLE;
    error_clear(errhp);
    if (mode != OCI_FILE_READONLY) return error_set(errhp, 22287, ora_message(22287, "FILEOPEN"));
    return error_set(errhp, 22285, ora_message(22285));
}

VOCI_EXPORT sword OCILobFileClose(OCISvcCtx* svchp, OCIError* errhp, OCILobLocator* filep) {
    SvcCtxHandle* svc = handle_cast<SvcCtxHandle>(svchp, OCI_HTYPE_SVCCTX);
    LobHandle* lob = handle_cast<LobHandle>(filep, OCI_DTYPE_FILE);
    if (!svc || !lob) return OCI_INVALID_HANDLE;
    error_clear(errhp);
    if (!lob->file_open) return error_set(errhp, 22289, ora_message(22289, "FILE CLOSE"));
    lob->file_open = false;
    return OCI_SUCCESS;
}

}  // extern "C"
