// The rows of the client command table. A new command is one row here (and its handler);
// the consistency test checks the table as a whole.
#include "command/command_table.h"

#include <cstring>

#include "command/command_handlers.h"
#include "command/statement.h"
#include "console/console_buffer.h"

namespace {

using Words = const char* const*;

bool only_word(Words, int n) { return n == 1; }
bool show_errors(Words w, int n) { return n >= 2 && word_is_one_of(w[1], "err erro error errors"); }
bool show_parameter(Words w, int n) {
    return n >= 2 && word_is_one_of(w[1], "par para param parame paramet paramete parameter");
}
// "set role ..." and the like are SQL.
bool host_command(Words w, int) { return word_is_one_of(w[0], "ho hos host") || w[0][0] == '!'; }
bool set_command(Words w, int n) { return !(n >= 2 && word_is_one_of(w[1], "constraint constraints role transaction")); }

using C = ClientCommandId;
using T = Completion;
using A = ArgumentCompletion;
using S = ArgumentStart;

const ClientCommandRow kRows[] = {
    {C::Exit, 6, "exit quit", nullptr, T::AtOnce, "exit", A::None, "", command_exit,
     "Usage: exit [success|failure|warning|n|sql.sqlcode|&variable|:variable] [commit|rollback]\n", S::Words},
    {C::Commit, 7, "commit", nullptr, T::SemicolonOrSlash, "commit", A::None, "", command_commit, nullptr, S::Words},
    {C::Rollback, 8, "rollback", only_word, T::SemicolonOrSlash, "rollback", A::None, "", command_rollback, nullptr,
     S::Words},
    {C::Dir, 9, "dir ls", nullptr, T::AtOnce, nullptr, A::None, "", command_dir, nullptr, S::Words},
    {C::RunLast, 10, "r ru run", nullptr, T::AtOnce, nullptr, A::None, "", command_run_last, nullptr, S::Words},
    {C::RerunLast, 10, "/", nullptr, T::AtOnce, nullptr, A::None, "", command_rerun_last, nullptr, S::Words},
    {C::Edit, 11, "ed edi edit", nullptr, T::AtOnce, "edit", A::None, "", command_edit, "Usage: edit [filename]\n",
     S::Words},
    {C::Describe, 12, "desc descr descri describ describe", nullptr, T::AtOnce, "describe", A::DescribableObjects, "",
     command_describe, "Usage: desc[ribe] [owner.]object\n", S::AfterCommandWord},
    {C::ShowErrors, 13, "show", show_errors, T::AtOnce, "show", A::None, "", command_show_errors,
     "Usage: show err[or] [object_type object_name]\n", S::Words},
    {C::Spool, 15, "spo spoo spool", nullptr, T::AtOnce, "spool", A::Files, "off", command_spool,
     "Usage: spool file|off\n",
     S::Words},
    {C::Export, 15, "export", nullptr, T::AtOnce, "export", A::Files, "csv,xml,sql", command_export,
     "Usage: export csv|xml|sql file\n", S::Words},
    {C::Copy, 15, "copy", nullptr, T::AtOnce, "copy", A::None, "all", command_copy, "Usage: copy [n|all]\n",
     S::Words},
    {C::Set, 15, "set", set_command, T::AtOnce, nullptr, A::None, "", command_set,
     "Usage: set parameter value [parameter value ...]\n", S::AfterCommandWord},
    {C::Define, 15, "def defi defin define", nullptr, T::AtOnce, nullptr, A::None, "", command_define,
     "Usage: define variable[=value]\n", S::AfterCommandWord},
    {C::Undefine, 15, "undef undefi undefin undefine", nullptr, T::AtOnce, nullptr, A::None, "", command_undefine,
     "Usage: undefine variable\n", S::Words},
    {C::Accept, 15, "acc acce accep accept", nullptr, T::AtOnce, nullptr, A::None, "", command_accept,
     "Usage: ACC[EPT] variable [NUM[BER]|CHAR|DATE] [FOR[MAT] format] [DEF[AULT] default] "
     "[PROMPT text|NOPR[OMPT]] [HIDE]\n",
     S::Words},
    {C::Connect, 15, "conn conne connec connect", nullptr, T::AtOnce, "connect", A::None, "", command_connect,
     "Usage: connect connectstring [as normal|sysoper|sysdba]\n", S::AfterCommandWord},
    {C::Disconnect, 15, "disc disco discon disconn disconne disconnec disconnect", nullptr, T::AtOnce, "disconnect",
     A::None, "", command_disconnect, nullptr, S::Words},
    {C::Prompt, 15, "pro prom promp prompt", nullptr, T::AtOnce, "prompt", A::None, "", command_prompt, nullptr, S::AfterCommandWord},
    {C::Whenever, 15, "whenever", nullptr, T::AtOnce, nullptr, A::None, "", command_whenever,
     "Usage: whenever sqlerror|oserror exit [success|failure|warning|n|sql.sqlcode|&variable|:variable] "
     "[commit|rollback] | continue [commit|rollback|none]\n",
     S::Words},
    {C::Host, 15, nullptr, host_command, T::AtOnce, nullptr, A::None, "", command_host, "Usage: host command\n",
     S::AfterCommandWord},
    {C::Variable, 15, "var vari varia variab variabl variable", nullptr, T::AtOnce, nullptr, A::None, "",
     command_variable, nullptr, S::AfterCommandWord},
    {C::Print, 15, "pri prin print", nullptr, T::AtOnce, nullptr, A::None, "", command_print, nullptr,
     S::AfterCommandWord},
    {C::Tune, 18, "tune", nullptr, T::AtOnce, nullptr, A::None, "", command_tune, nullptr, S::AfterCommandWord},
    {C::Column, 18, "col colu colum column", nullptr, T::AtOnce, nullptr, A::None, "", command_column, nullptr,
     S::AfterCommandWord},
    {C::Ddl, 15, "ddl", nullptr, T::AtOnce, "ddl", A::DescribableObjects, "", command_ddl,
     "Usage: ddl [owner.]object [type]\n", S::Words},
    {C::ShowParameter, 19, "show", show_parameter, T::AtOnce, nullptr, A::None, "", command_show_parameter,
     "Usage: show par[ameter] name\n", S::Words},
    {C::Show, 19, "show", nullptr, T::AtOnce, nullptr, A::None, "", command_show,
     "Usage: show user|all|sga|release|option\n", S::Words},
    {C::Start, 15, "sta star start", nullptr, T::AtOnce, nullptr, A::Files, "", command_start,
     "Usage: sta[rt] file [arguments]\n", S::AfterCommandWord},
    {C::Timing, 15, "timi timin timing", nullptr, T::AtOnce, nullptr, A::None, "", command_timing,
     "Usage: timi[ng] [start [name]|show|stop]\n", S::Words},
    {C::Pause, 15, "pau paus pause", nullptr, T::AtOnce, nullptr, A::None, "", command_pause, nullptr,
     S::AfterCommandWord},
    {C::Clear, 15, "cl cle clea clear", nullptr, T::AtOnce, nullptr, A::None, "", command_clear,
     "Usage: cl[ear] breaks|computes|columns|buffer|sql|screen|timing\n", S::Words},
    {C::Break, 15, "bre brea break", nullptr, T::AtOnce, nullptr, A::None, "", command_break,
     "Usage: bre[ak] [on column|report [skip n|skip page] [nodup[licates]|dup[licates]] ...]\n", S::AfterCommandWord},
    {C::Compute, 15, "comp compu comput compute", nullptr, T::AtOnce, nullptr, A::None, "", command_compute,
     "Usage: comp[ute] [sum|avg|count|min[imum]|max[imum]|num[ber] [label text] ... of column ... on column|report]\n",
     S::AfterCommandWord},
    {C::Title, 15, "tti ttit ttitl ttitle bti btit btitl btitle "
     "reph rephe rephea rephead repheade repheader repf repfo repfoo repfoot repfoote repfooter", nullptr, T::AtOnce,
     nullptr, A::None, "", command_title, nullptr, S::AfterCommandWord},
    {C::List, 15, "l li lis list", nullptr, T::AtOnce, nullptr, A::None, "", command_list, nullptr, S::Words},
    {C::Save, 15, "sav save", nullptr, T::AtOnce, nullptr, A::Files, "", command_save,
     "Usage: SAV[E] [FILE] file_name[.ext] [CRE[ATE]|REP[LACE]|APP[END]]\n", S::Words},
    {C::Get, 15, "get", nullptr, T::AtOnce, nullptr, A::Files, "", command_get,
     "Usage: GET [FILE] file_name[.ext] [LIS[T]|NOL[IST]]\n", S::Words},
};

}  // namespace

const ClientCommandRow* client_command_rows() { return kRows; }
size_t client_command_row_count() { return sizeof kRows / sizeof kRows[0]; }

const ClientCommandRow* client_command_row(ClientCommandId id) {
    for (const ClientCommandRow& row : kRows)
        if (row.id == id) return &row;
    return nullptr;
}

void command_usage(ClientCommandId id) {
    const ClientCommandRow* row = client_command_row(id);
    if (row && row->usage) console_print("%s", row->usage);
}

const char* command_arguments(const ClientCommandContext& c) {
    const ClientCommandRow* row = client_command_row(c.command);
    if (!row || row->arguments == ArgumentStart::Words || c.count < 1) return "";
    return input_after_command(static_cast<int>(std::strlen(c.words[0])) + 1);
}
