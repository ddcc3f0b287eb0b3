// Our own declarations of the Oracle Call Interface subset Vantro uses: scalar types,
// opaque handles, constants and the C signatures of the entry points, written to be
// binary-compatible with Oracle's client library. Declarations only: no Oracle header is
// included, and nothing here calls a function (the loader resolves them at run time).
#pragma once

#include <stddef.h>

#if defined(_WIN32) && !defined(_WIN64)
#define VOCI_CALL __cdecl
#else
#define VOCI_CALL
#endif

extern "C" {

typedef unsigned char ub1;
typedef signed char sb1;
typedef unsigned short ub2;
typedef signed short sb2;
typedef unsigned int ub4;
typedef signed int sb4;
typedef unsigned long long ub8;
typedef signed long long sb8;
typedef signed int sword;
typedef unsigned char OraText;
typedef sb2 OCIInd;

typedef struct OCIEnv OCIEnv;
typedef struct OCIError OCIError;
typedef struct OCISvcCtx OCISvcCtx;
typedef struct OCIStmt OCIStmt;
typedef struct OCIBind OCIBind;
typedef struct OCIDefine OCIDefine;
typedef struct OCIServer OCIServer;
typedef struct OCISession OCISession;
typedef struct OCISnapshot OCISnapshot;
typedef struct OCILobLocator OCILobLocator;
typedef struct OCIParam OCIParam;

typedef void* (VOCI_CALL* OCIMallocFn)(void* ctxp, size_t size);
typedef void* (VOCI_CALL* OCIReallocFn)(void* ctxp, void* memptr, size_t newsize);
typedef void (VOCI_CALL* OCIFreeFn)(void* ctxp, void* memptr);
typedef sb4 (VOCI_CALL* OCICallbackLobRead)(void* ctxp, const void* bufp, ub4 len, ub1 piece);

}  // extern "C"

// Handle types.
constexpr ub4 OCI_HTYPE_ENV = 1;
constexpr ub4 OCI_HTYPE_ERROR = 2;
constexpr ub4 OCI_HTYPE_SVCCTX = 3;
constexpr ub4 OCI_HTYPE_STMT = 4;
constexpr ub4 OCI_HTYPE_BIND = 5;
constexpr ub4 OCI_HTYPE_DEFINE = 6;
constexpr ub4 OCI_HTYPE_DESCRIBE = 7;
constexpr ub4 OCI_HTYPE_SERVER = 8;
constexpr ub4 OCI_HTYPE_SESSION = 9;
constexpr ub4 OCI_HTYPE_TRANS = 10;

// Descriptor types.
constexpr ub4 OCI_DTYPE_LOB = 50;
constexpr ub4 OCI_DTYPE_SNAP = 51;
constexpr ub4 OCI_DTYPE_PARAM = 53;
constexpr ub4 OCI_DTYPE_ROWID = 54;
constexpr ub4 OCI_DTYPE_FILE = 56;

// Status codes.
constexpr sword OCI_SUCCESS = 0;
constexpr sword OCI_SUCCESS_WITH_INFO = 1;
constexpr sword OCI_NEED_DATA = 99;
constexpr sword OCI_NO_DATA = 100;
constexpr sword OCI_ERROR = -1;
constexpr sword OCI_INVALID_HANDLE = -2;
constexpr sword OCI_STILL_EXECUTING = -3123;
constexpr sword OCI_CONTINUE = -24200;

// Modes and flags.
constexpr ub4 OCI_DEFAULT = 0x00;
constexpr ub4 OCI_THREADED = 0x01;
constexpr ub4 OCI_OBJECT = 0x02;
constexpr ub4 OCI_BATCH_MODE = 0x01;
constexpr ub4 OCI_EXACT_FETCH = 0x02;
constexpr ub4 OCI_DESCRIBE_ONLY = 0x10;
constexpr ub4 OCI_COMMIT_ON_SUCCESS = 0x20;
constexpr ub4 OCI_PARSE_ONLY = 0x100;
constexpr ub4 OCI_SYSDBA = 0x02;
constexpr ub4 OCI_SYSOPER = 0x04;
constexpr ub4 OCI_CRED_RDBMS = 1;
constexpr ub4 OCI_CRED_EXT = 2;
constexpr ub4 OCI_NTV_SYNTAX = 1;
constexpr ub2 OCI_FETCH_CURRENT = 0x01;
constexpr ub2 OCI_FETCH_NEXT = 0x02;
constexpr ub1 OCI_ONE_PIECE = 0;
constexpr ub1 OCI_FIRST_PIECE = 1;
constexpr ub1 OCI_NEXT_PIECE = 2;
constexpr ub1 OCI_LAST_PIECE = 3;
constexpr ub1 OCI_FILE_READONLY = 1;
constexpr ub1 OCI_LOB_READONLY = 1;
constexpr ub1 SQLCS_IMPLICIT = 1;
constexpr ub1 SQLCS_NCHAR = 2;
constexpr sb2 OCI_IND_NOTNULL = 0;
constexpr sb2 OCI_IND_NULL = -1;
constexpr ub4 OCI_ERROR_MAXMSG_SIZE = 1024;
constexpr ub4 OCI_SERVER_NOT_CONNECTED = 0;
constexpr ub4 OCI_SERVER_NORMAL = 1;

// Statement types (OCI_ATTR_STMT_TYPE).
constexpr ub2 OCI_STMT_UNKNOWN = 0;
constexpr ub2 OCI_STMT_SELECT = 1;
constexpr ub2 OCI_STMT_UPDATE = 2;
constexpr ub2 OCI_STMT_DELETE = 3;
constexpr ub2 OCI_STMT_INSERT = 4;
constexpr ub2 OCI_STMT_CREATE = 5;
constexpr ub2 OCI_STMT_DROP = 6;
constexpr ub2 OCI_STMT_ALTER = 7;
constexpr ub2 OCI_STMT_BEGIN = 8;
constexpr ub2 OCI_STMT_DECLARE = 9;

// Attributes: numbers are reused across handle types.
constexpr ub4 OCI_ATTR_DATA_SIZE = 1;
constexpr ub4 OCI_ATTR_DATA_TYPE = 2;
constexpr ub4 OCI_ATTR_DISP_SIZE = 3;
constexpr ub4 OCI_ATTR_NAME = 4;
constexpr ub4 OCI_ATTR_PRECISION = 5;
constexpr ub4 OCI_ATTR_SCALE = 6;
constexpr ub4 OCI_ATTR_IS_NULL = 7;
constexpr ub4 OCI_ATTR_SERVER = 6;
constexpr ub4 OCI_ATTR_SESSION = 7;
constexpr ub4 OCI_ATTR_ROW_COUNT = 9;
constexpr ub4 OCI_ATTR_PREFETCH_ROWS = 11;
constexpr ub4 OCI_ATTR_PREFETCH_MEMORY = 13;
constexpr ub4 OCI_ATTR_PARAM_COUNT = 18;
constexpr ub4 OCI_ATTR_USERNAME = 22;
constexpr ub4 OCI_ATTR_PASSWORD = 23;
constexpr ub4 OCI_ATTR_STMT_TYPE = 24;
constexpr ub4 OCI_ATTR_CHARSET_ID = 31;
constexpr ub4 OCI_ATTR_CHARSET_FORM = 32;
constexpr ub4 OCI_ATTR_PARSE_ERROR_OFFSET = 129;
constexpr ub4 OCI_ATTR_SERVER_STATUS = 143;
constexpr ub4 OCI_ATTR_STATEMENT = 144;
constexpr ub4 OCI_ATTR_ROWS_FETCHED = 197;
constexpr ub4 OCI_ATTR_CURRENT_SCHEMA = 224;
constexpr ub4 OCI_ATTR_CHAR_USED = 285;
constexpr ub4 OCI_ATTR_CHAR_SIZE = 286;

// External and describe datatype codes.
constexpr ub2 SQLT_CHR = 1;
constexpr ub2 SQLT_NUM = 2;
constexpr ub2 SQLT_INT = 3;
constexpr ub2 SQLT_FLT = 4;
constexpr ub2 SQLT_STR = 5;
constexpr ub2 SQLT_VNU = 6;
constexpr ub2 SQLT_LNG = 8;
constexpr ub2 SQLT_VCS = 9;
constexpr ub2 SQLT_RID = 11;
constexpr ub2 SQLT_DAT = 12;
constexpr ub2 SQLT_BIN = 23;
constexpr ub2 SQLT_LBI = 24;
constexpr ub2 SQLT_UIN = 68;
constexpr ub2 SQLT_AFC = 96;
constexpr ub2 SQLT_AVC = 97;
constexpr ub2 SQLT_RDD = 104;
constexpr ub2 SQLT_RSET = 116;   // a statement handle (REF CURSOR) bound by address
constexpr ub2 SQLT_CLOB = 112;
constexpr ub2 SQLT_BLOB = 113;
constexpr ub2 SQLT_BFILEE = 114;
constexpr ub2 SQLT_TIMESTAMP = 187;

extern "C" {

// Function types, one per entry point the console resolves; X_fn is a pointer to X_t.
typedef sword VOCI_CALL OCIInitialize_t(ub4 mode, void* ctxp, OCIMallocFn malocfp,
                                            OCIReallocFn ralocfp, OCIFreeFn mfreefp);
typedef sword VOCI_CALL OCIEnvInit_t(OCIEnv** envp, ub4 mode, size_t xtramem_sz, void** usrmempp);
typedef sword VOCI_CALL OCIEnvCreate_t(OCIEnv** envp, ub4 mode, void* ctxp, OCIMallocFn malocfp,
                                           OCIReallocFn ralocfp, OCIFreeFn mfreefp, size_t xtramem_sz,
                                           void** usrmempp);
typedef sword VOCI_CALL OCIHandleAlloc_t(const void* parenth, void** hndlpp, const ub4 type,
                                             const size_t xtramem_sz, void** usrmempp);
typedef sword VOCI_CALL OCIHandleFree_t(void* hndlp, const ub4 type);
typedef sword VOCI_CALL OCIDescriptorAlloc_t(const void* parenth, void** descpp, const ub4 type,
                                                 const size_t xtramem_sz, void** usrmempp);
typedef sword VOCI_CALL OCIDescriptorFree_t(void* descp, const ub4 type);
typedef sword VOCI_CALL OCIAttrSet_t(void* trgthndlp, ub4 trghndltyp, void* attributep, ub4 size,
                                         ub4 attrtype, OCIError* errhp);
typedef sword VOCI_CALL OCIAttrGet_t(const void* trgthndlp, ub4 trghndltyp, void* attributep,
                                         ub4* sizep, ub4 attrtype, OCIError* errhp);
typedef sword VOCI_CALL OCIParamGet_t(const void* hndlp, ub4 htype, OCIError* errhp, void** parmdpp,
                                          ub4 pos);
typedef sword VOCI_CALL OCIServerAttach_t(OCIServer* srvhp, OCIError* errhp, const OraText* dblink,
                                              sb4 dblink_len, ub4 mode);
typedef sword VOCI_CALL OCIServerDetach_t(OCIServer* srvhp, OCIError* errhp, ub4 mode);
typedef sword VOCI_CALL OCIServerVersion_t(void* hndlp, OCIError* errhp, OraText* bufp, ub4 bufsz,
                                               ub1 hndltype);
typedef sword VOCI_CALL OCISessionBegin_t(OCISvcCtx* svchp, OCIError* errhp, OCISession* usrhp,
                                              ub4 credt, ub4 mode);
typedef sword VOCI_CALL OCISessionEnd_t(OCISvcCtx* svchp, OCIError* errhp, OCISession* usrhp, ub4 mode);
typedef sword VOCI_CALL OCITransCommit_t(OCISvcCtx* svchp, OCIError* errhp, ub4 flags);
typedef sword VOCI_CALL OCITransRollback_t(OCISvcCtx* svchp, OCIError* errhp, ub4 flags);
typedef sword VOCI_CALL OCIBreak_t(void* hndlp, OCIError* errhp);
typedef sword VOCI_CALL OCIReset_t(void* hndlp, OCIError* errhp);
typedef sword VOCI_CALL OCIStmtPrepare_t(OCIStmt* stmtp, OCIError* errhp, const OraText* stmt,
                                             ub4 stmt_len, ub4 language, ub4 mode);
typedef sword VOCI_CALL OCIStmtExecute_t(OCISvcCtx* svchp, OCIStmt* stmtp, OCIError* errhp, ub4 iters,
                                             ub4 rowoff, const OCISnapshot* snap_in, OCISnapshot* snap_out,
                                             ub4 mode);
typedef sword VOCI_CALL OCIStmtFetch_t(OCIStmt* stmtp, OCIError* errhp, ub4 nrows, ub2 orientation,
                                           ub4 mode);
typedef sword VOCI_CALL OCIBindByPos_t(OCIStmt* stmtp, OCIBind** bindp, OCIError* errhp, ub4 position,
                                           void* valuep, sb4 value_sz, ub2 dty, void* indp, ub2* alenp,
                                           ub2* rcodep, ub4 maxarr_len, ub4* curelep, ub4 mode);
typedef sword VOCI_CALL OCIBindByName_t(OCIStmt* stmtp, OCIBind** bindp, OCIError* errhp,
                                            const OraText* placeholder, sb4 placeh_len, void* valuep,
                                            sb4 value_sz, ub2 dty, void* indp, ub2* alenp, ub2* rcodep,
                                            ub4 maxarr_len, ub4* curelep, ub4 mode);
typedef sword VOCI_CALL OCIDefineByPos_t(OCIStmt* stmtp, OCIDefine** defnp, OCIError* errhp,
                                             ub4 position, void* valuep, sb4 value_sz, ub2 dty, void* indp,
                                             ub2* rlenp, ub2* rcodep, ub4 mode);
typedef sword VOCI_CALL OCILobRead_t(OCISvcCtx* svchp, OCIError* errhp, OCILobLocator* locp, ub4* amtp,
                                         ub4 offset, void* bufp, ub4 bufl, void* ctxp,
                                         OCICallbackLobRead cbfp, ub2 csid, ub1 csfrm);
typedef sword VOCI_CALL OCILobFileOpen_t(OCISvcCtx* svchp, OCIError* errhp, OCILobLocator* filep,
                                             ub1 mode);
typedef sword VOCI_CALL OCILobFileClose_t(OCISvcCtx* svchp, OCIError* errhp, OCILobLocator* filep);
typedef sword VOCI_CALL OCIErrorGet_t(void* hndlp, ub4 recordno, OraText* sqlstate, sb4* errcodep,
                                          OraText* bufp, ub4 bufsiz, ub4 type);

}  // extern "C"

// The entry points every OCI library loaded by the console must export, in one list:
// the loader resolves each by this exact name, the embedded library defines each.
#define VOCI_FUNCTIONS(X) \
  X(OCIInitialize)        \
  X(OCIEnvInit)           \
  X(OCIEnvCreate)         \
  X(OCIHandleAlloc)       \
  X(OCIHandleFree)        \
  X(OCIDescriptorAlloc)   \
  X(OCIDescriptorFree)    \
  X(OCIAttrSet)           \
  X(OCIAttrGet)           \
  X(OCIParamGet)          \
  X(OCIServerAttach)      \
  X(OCIServerDetach)      \
  X(OCIServerVersion)     \
  X(OCISessionBegin)      \
  X(OCISessionEnd)        \
  X(OCITransCommit)       \
  X(OCITransRollback)     \
  X(OCIBreak)             \
  X(OCIReset)             \
  X(OCIStmtPrepare)       \
  X(OCIStmtExecute)       \
  X(OCIStmtFetch)         \
  X(OCIBindByPos)         \
  X(OCIBindByName)        \
  X(OCIDefineByPos)       \
  X(OCILobRead)           \
  X(OCILobFileOpen)       \
  X(OCILobFileClose)      \
  X(OCIErrorGet)

#define VOCI_POINTER_TYPE(name) typedef name##_t* name##_fn;
VOCI_FUNCTIONS(VOCI_POINTER_TYPE)
#undef VOCI_POINTER_TYPE
