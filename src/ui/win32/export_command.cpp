// The Export command: the system's save dialog with the three export formats, then the
// portable writers of src/export. GUI thread, only while no statement runs.
#include "ui/win32/win32_app.h"

#include <commdlg.h>

#include "command/history_file.h"
#include "export/result_export.h"
#include "oci/oci_statements.h"

void export_command(HWND owner, ConsoleBuffer* console) {
    if (!result_file()) {
        error_box("No data to export");
        return;
    }
    char name[MAX_PATH + 1] = {};
    OPENFILENAMEA dialog = {};
    dialog.lStructSize = sizeof dialog;
    dialog.hwndOwner = owner;
    dialog.lpstrFilter =
        "Comma Separated Value Files (*.csv, *.txt))\0*.CSV;*.TXT\0XML Files (*.xml)\0*.xml\0SQL Scripts (*.sql)\0*.sql\0";
    dialog.nFilterIndex = 1;
    dialog.lpstrFile = name;
    dialog.nMaxFile = sizeof name;
    dialog.Flags = OFN_OVERWRITEPROMPT | OFN_HIDEREADONLY;
    if (!GetSaveFileNameA(&dialog)) return;
    const ExportFormat format = dialog.nFilterIndex == 2   ? ExportFormat::Xml
                                : dialog.nFilterIndex == 3 ? ExportFormat::Sql
                                                           : ExportFormat::Csv;
    export_result_to(console, format, export_file_name(name, format));
}
