#pragma once
// Resource numbers of qmr.exe, shared by the resource script and the code.

#define QMR_ICON_APPLICATION 1
// The list's status pictures, by the presenter's picture index.
#define QMR_ICON_STATUS_0 10
#define QMR_ICON_STATUS_1 11
#define QMR_ICON_STATUS_2 12
#define QMR_ICON_STATUS_3 13
#define QMR_ICON_HEADING 20
// The pictures the report markup names.
#define QMR_ICON_NET_HOME 30
#define QMR_ICON_ERROR 31
#define QMR_ICON_ONLINE 32
#define QMR_ICON_WARNING 33
