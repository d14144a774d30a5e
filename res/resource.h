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

// The second page, "Zeigen und Ziehen".
#define IDD_POINTERPAGE         110

#define IDS_POINTER_TITLE       300
#define IDS_WRITE_ERROR         301

// Controls, in tab order. A field's label and up-down show the help text
// of its edit; check boxes and the button have texts of their own.
#define IDC_DRAG_WIDTH_LABEL    401
#define IDC_DRAG_WIDTH_EDIT     402
#define IDC_DRAG_WIDTH_UPDOWN   403
#define IDC_DRAG_HEIGHT_LABEL   404
#define IDC_DRAG_HEIGHT_EDIT    405
#define IDC_DRAG_HEIGHT_UPDOWN  406
#define IDC_HOVER_TIME_LABEL    407
#define IDC_HOVER_TIME_EDIT     408
#define IDC_HOVER_TIME_UPDOWN   409
#define IDC_HOVER_WIDTH_LABEL   410
#define IDC_HOVER_WIDTH_EDIT    411
#define IDC_HOVER_WIDTH_UPDOWN  412
#define IDC_HOVER_HEIGHT_LABEL  413
#define IDC_HOVER_HEIGHT_EDIT   414
#define IDC_HOVER_HEIGHT_UPDOWN 415
#define IDC_MENU_DELAY_LABEL    416
#define IDC_MENU_DELAY_EDIT     417
#define IDC_MENU_DELAY_UPDOWN   418
#define IDC_TRACKING_CHECK      419
#define IDC_TRACKING_ZORDER_CHECK 420
#define IDC_TRACKING_DELAY_LABEL 421
#define IDC_TRACKING_DELAY_EDIT 422
#define IDC_TRACKING_DELAY_UPDOWN 423
#define IDC_DEFAULTS_BUTTON     424

// The third page, "Beschleunigungskurve".
#define IDD_CURVEPAGE           120

#define IDS_CURVE_TITLE         500
#define IDS_CURVE_PRESET_WINDOWS 501
#define IDS_CURVE_PRESET_ONE_TO_ONE 502
#define IDS_CURVE_PRESET_CUSTOM 503
#define IDS_CURVE_SCALE_FMT     504
#define IDS_CURVE_SPEED_FMT     505
#define IDS_CURVE_INVALID       506
#define IDS_CURVE_LOGON         507
#define IDS_CURVE_PRECISION_OFF 508
#define IDS_CURVE_AXIS_X        509
#define IDS_CURVE_AXIS_Y        510
#define IDS_CURVE_X_NAME        511
#define IDS_CURVE_Y_NAME        512
#define IDS_BAD_DECIMAL_TEXT    513
#define IDS_CURVE_GRAPH_TEXT    514
#define IDS_CURVE_POINT_FMT     515
#define IDS_DECIMAL_COMMA       516
#define IDS_DECIMAL_POINT       517
#define IDS_DECIMAL_OTHER       518

// Controls, in tab order. A label shows the help text of its control.
#define IDC_CURVE_PRESET_LABEL  601
#define IDC_CURVE_PRESET        602
#define IDC_CURVE_SCALE_LABEL   603
#define IDC_CURVE_SCALE         604
#define IDC_CURVE_SPEED         605
#define IDC_CURVE_GRAPH         606
#define IDC_CURVE_POINT_LABEL   607
#define IDC_CURVE_POINT         608
#define IDC_CURVE_COUNTS_LABEL  609
#define IDC_CURVE_COUNTS_EDIT   610
#define IDC_CURVE_FACTOR_LABEL  611
#define IDC_CURVE_FACTOR_EDIT   612
#define IDC_CURVE_PRECISION_NOTE 613
#define IDC_CURVE_NOTE          614
#define IDC_CURVE_DEFAULTS      615

#endif
