// Shared part of the engine benchmarks: an embedded-engine session under a fresh
// temporary VANTRO_HOME, statement helpers that stop the program on an error, and a
// clock. Header-only so that each benchmark stays one program of one source file.
#pragma once

#include "oci/oci_loader.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#ifdef _WIN32
#include <windows.h>
#else
#include <unistd.h>
#endif

namespace bench {

inline void set_env(const char* name, const std::string& value) {
#ifdef _WIN32
    _putenv_s(name, value.c_str());
#else
    setenv(name, value.c_str(), 1);
#endif
}

inline double seconds_since(std::chrono::steady_clock::time_point start) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

inline std::chrono::steady_clock::time_point now() { return std::chrono::steady_clock::now(); }

// A fresh, empty folder for one run's databases (process ids repeat, under Wine
// especially, so it is cleared first).
inline std::string fresh_home(const char* tag) {
#ifdef _WIN32
    char tmp[MAX_PATH];
    GetTempPathA(MAX_PATH, tmp);
    std::string home = std::string(tmp) + tag + "_" + std::to_string(GetCurrentProcessId());
#else
    std::string home = std::string("/tmp/") + tag + "_" + std::to_string(getpid());
#endif
    std::error_code ec;
    std::filesystem::remove_all(home, ec);
    std::filesystem::create_directories(home, ec);
    return home;
}

class Session {
public:
    // Loads the embedded engine with VANTRO_HOME = home and logs on as user/user.
    Session(const std::string& home, const std::string& user) : home_(home) {
        set_env("VANTRO_HOME", home);
        set_env("VANTRO_OCI_LIB", "embedded");
        OciLoadResult loaded = oci_load();
        if (loaded.code != 0) {
            std::fprintf(stderr, "%s\n", loaded.message.c_str());
            std::exit(1);
        }
        oci = oci_api();
        oci->OCIEnvCreate(&env, OCI_THREADED, nullptr, nullptr, nullptr, nullptr, 0, nullptr);
        oci->OCIHandleAlloc(env, reinterpret_cast<void**>(&err), OCI_HTYPE_ERROR, 0, nullptr);
        oci->OCIHandleAlloc(env, reinterpret_cast<void**>(&srv_), OCI_HTYPE_SERVER, 0, nullptr);
        oci->OCIHandleAlloc(env, reinterpret_cast<void**>(&svc), OCI_HTYPE_SVCCTX, 0, nullptr);
        oci->OCIHandleAlloc(env, reinterpret_cast<void**>(&ses_), OCI_HTYPE_SESSION, 0, nullptr);
        if (oci->OCIServerAttach(srv_, err, reinterpret_cast<const OraText*>("bench"), 5, OCI_DEFAULT) != OCI_SUCCESS)
            die("attach");
        oci->OCIAttrSet(svc, OCI_HTYPE_SVCCTX, srv_, 0, OCI_ATTR_SERVER, err);
        oci->OCIAttrSet(ses_, OCI_HTYPE_SESSION, const_cast<char*>(user.c_str()), static_cast<ub4>(user.size()),
                        OCI_ATTR_USERNAME, err);
        oci->OCIAttrSet(ses_, OCI_HTYPE_SESSION, const_cast<char*>(user.c_str()), static_cast<ub4>(user.size()),
                        OCI_ATTR_PASSWORD, err);
        if (oci->OCISessionBegin(svc, err, ses_, OCI_CRED_RDBMS, OCI_DEFAULT) != OCI_SUCCESS) die("session");
        oci->OCIAttrSet(svc, OCI_HTYPE_SVCCTX, ses_, 0, OCI_ATTR_SESSION, err);
    }
    ~Session() {
        oci->OCISessionEnd(svc, err, ses_, OCI_DEFAULT);
        oci->OCIServerDetach(srv_, err, OCI_DEFAULT);
        oci->OCIHandleFree(env, OCI_HTYPE_ENV);
        std::error_code ec;
        std::filesystem::remove_all(home_, ec);
    }
    Session(const Session&) = delete;
    Session& operator=(const Session&) = delete;

    [[noreturn]] void die(const char* what) {
        OraText buf[1024] = {0};
        sb4 code = 0;
        if (err) oci->OCIErrorGet(err, 1, nullptr, &code, buf, sizeof buf, OCI_HTYPE_ERROR);
        std::fprintf(stderr, "%s failed: %s\n", what, reinterpret_cast<char*>(buf));
        std::exit(1);
    }

    // Allocates, prepares, executes (iters: 1 for DML and blocks) and frees one
    // statement, as the console does for every statement of a script.
    void exec(const std::string& sql, ub4 iters = 1) {
        OCIStmt* st = nullptr;
        oci->OCIHandleAlloc(env, reinterpret_cast<void**>(&st), OCI_HTYPE_STMT, 0, nullptr);
        oci->OCIStmtPrepare(st, err, reinterpret_cast<const OraText*>(sql.c_str()), static_cast<ub4>(sql.size()),
                            OCI_NTV_SYNTAX, OCI_DEFAULT);
        if (oci->OCIStmtExecute(svc, st, err, iters, 0, nullptr, nullptr, OCI_DEFAULT) != OCI_SUCCESS)
            die(sql.c_str());
        oci->OCIHandleFree(st, OCI_HTYPE_STMT);
    }

    // Runs a query through array fetch of one text column; answers the rows and keeps
    // the first column's last value in *last.
    long fetch_all(const std::string& sql, ub4 batch, std::string* last) {
        OCIStmt* st = nullptr;
        oci->OCIHandleAlloc(env, reinterpret_cast<void**>(&st), OCI_HTYPE_STMT, 0, nullptr);
        oci->OCIStmtPrepare(st, err, reinterpret_cast<const OraText*>(sql.c_str()), static_cast<ub4>(sql.size()),
                            OCI_NTV_SYNTAX, OCI_DEFAULT);
        if (oci->OCIStmtExecute(svc, st, err, 0, 0, nullptr, nullptr, OCI_DEFAULT) != OCI_SUCCESS) die(sql.c_str());
        const ub4 width = 41;
        std::vector<char> data(static_cast<std::size_t>(width) * batch, '\0');
        std::vector<sb2> ind(batch, 0);
        OCIDefine* d = nullptr;
        oci->OCIDefineByPos(st, &d, err, 1, data.data(), static_cast<sb4>(width), SQLT_STR, ind.data(), nullptr, nullptr,
                            OCI_DEFAULT);
        long rows = 0;
        for (;;) {
            sword r = oci->OCIStmtFetch(st, err, batch, OCI_FETCH_NEXT, OCI_DEFAULT);
            if (r != OCI_SUCCESS && r != OCI_NO_DATA) die(sql.c_str());
            ub4 got = 0;
            oci->OCIAttrGet(st, OCI_HTYPE_STMT, &got, nullptr, OCI_ATTR_ROWS_FETCHED, err);
            rows += got;
            if (got > 0 && last) *last = std::string(&data[static_cast<std::size_t>(got - 1) * width]);
            if (r == OCI_NO_DATA) break;
        }
        oci->OCIHandleFree(st, OCI_HTYPE_STMT);
        return rows;
    }

    const OciApi* oci = nullptr;
    OCIEnv* env = nullptr;
    OCIError* err = nullptr;
    OCISvcCtx* svc = nullptr;

private:
    std::string home_;
    OCIServer* srv_ = nullptr;
    OCISession* ses_ = nullptr;
};

}  // namespace bench
