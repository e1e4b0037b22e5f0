// Resource numbers of the progress window (dialog 204 and its strings). Kept
// free of anything but #defines so that resource scripts can include it.
#pragma once

#define IDD_PROGRESS 204
#define IDC_PROGRESS_BAR 202
#define IDC_PROGRESS_CAPTION 209
#define IDC_PROGRESS_COUNTER 210

#define IDS_PROGRESS_WAIT 1100
#define IDS_PROGRESS_COUNTER 1101
#define IDS_PROGRESS_IMPORTING 1102
#define IDS_PROGRESS_EXPORTING 1103
