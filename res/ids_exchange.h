// Identifiers of the note list dialog used to import, export and delete notes.
#pragma once

#define IDD_IMPORT_EXPORT              207
#define IDC_EXCHANGE_LIST              1089    // report list with check boxes
#define IDC_EXCHANGE_CHECK_ALL         1090
#define IDC_EXCHANGE_UNCHECK_ALL       1091
#define IDC_EXCHANGE_INSTRUCTION       1092
