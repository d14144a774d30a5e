// Identifiers of the page's resources, shared by the resource script and the code.
#ifndef POINTIX_RESOURCE_H
#define POINTIX_RESOURCE_H

#define IDD_MOUSEPAGE           100

#define IDS_PAGE_TITLE          101
#define IDS_VERSION_FMT         102
#define IDS_WEB_ERROR           103
#define IDS_BAD_CHAR_TITLE      104
#define IDS_BAD_CHAR_TEXT       105

// Controls. The help texts in the string table use the ID of the control
// they describe.
#define IDC_VERT_EDIT           201
#define IDC_VERT_UPDOWN         202
#define IDC_HORZ_EDIT           203
#define IDC_HORZ_UPDOWN         204
#define IDC_ACCEL_GROUP         205
#define IDC_THRESHOLD1_TRACK    206
#define IDC_QUAD_CHECK          207
#define IDC_THRESHOLD2_TRACK    208
#define IDC_LINK_LABEL          209
#define IDC_VERSION_LABEL       210
#define IDC_THRESHOLD1_LABEL    211
#define IDC_THRESHOLD2_LABEL    212
#define IDC_THRESHOLD1_FAST     213
#define IDC_THRESHOLD1_SLOW     214
#define IDC_THRESHOLD2_FAST     215
#define IDC_THRESHOLD2_SLOW     216

#endif
