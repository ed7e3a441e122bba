// Dialog templates and control identifiers of the Images and Sounds pages and of
// the open dialogs' panels; shared by media.rc and the code.
#pragma once

// Templates.
#define IDD_IMAGES_PAGE 131
#define IDD_SOUNDS_PAGE 132
#define IDD_IMAGE_OPEN_PANEL 138
#define IDD_SOUND_OPEN_PANEL 142

// Images page.
#define IDC_IMAGE_ADD 1025
#define IDC_IMAGE_LIST 1053
#define IDC_IMAGE_REMOVE 1054
#define IDC_IMAGE_CLEAR 1055
#define IDC_IMAGE_PLACEHOLDER 1060
#define IDC_CAPTION_EDIT 1172
#define IDC_CAPTION_FONT 1174
#define IDC_CAPTION_TOP 1175
#define IDC_CAPTION_CENTER 1176
#define IDC_CAPTION_BOTTOM 1177
#define IDC_CAPTION_DISABLE 1188
#define IDC_IMAGE_PREVIEW_CHECK 10009
#define IDC_FILENAME_CAPTION 10033
#define IDC_REDUCE_256 10035
#define IDC_GRAYSCALE 10036
#define IDC_IMAGE_PREVIEW_AREA 103

// Sounds page.
#define IDC_SOUND_ADD 1047
#define IDC_SOUND_LIST 1057
#define IDC_SOUND_REMOVE 1058
#define IDC_SOUND_CLEAR 1036
#define IDC_SOUND_PREVIEW_CHECK 10010
#define IDC_SOUND_STATUS 1180
#define IDC_PLAYER_PLACEHOLDER 1270
#define IDC_INSTRUMENTS 1242
#define IDC_INSTRUMENTS_ALL 1035
#define IDC_INSTRUMENTS_NONE 1243
#define IDC_INSTRUMENTS_DEFAULTS 1244

// Image open panel.
#define IDC_IMAGE_ADD_DIRECTORY 1033
#define IDC_IMAGE_DLG_PREVIEW 1034
#define IDC_IMAGE_FULL_SCREEN 1038
#define IDC_IMAGE_DLG_STATUS 1039
#define IDC_IMAGE_DLG_PLACEHOLDER 1225
#define IDC_IMAGE_DLG_AREA 101

// Sound open panel.
#define IDC_SOUND_ADD_DIRECTORY 1052
#define IDC_SOUND_DLG_PREVIEW 1051

// The sound player's display (a child window of its own).
#define IDC_PLAYER_POSITION 1451
#define IDC_PLAYER_PLAY 1452
#define IDC_PLAYER_STOP 1453

// The explorer dialog's placeholder for its standard controls.
#define IDC_STANDARD_CONTROLS 1119
