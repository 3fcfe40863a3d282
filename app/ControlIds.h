// IDs of the main window's controls and hot keys. IDs 1-20 are the set-up group, 21-25 the
// recording group; each label's field is its ID + 8.
#pragma once

enum : int {
    IDC_LBL_FILE = 1,
    IDC_LBL_DEVICE = 2,
    IDC_LBL_CHANNELS = 3,
    IDC_LBL_BITRATE = 4,
    IDC_LBL_SAMPLERATE = 5,
    IDC_LBL_QUALITY = 6,
    IDC_LBL_SPLITSIZE = 7,
    IDC_LBL_DURATION = 8,
    IDC_EDIT_FILE = 9,
    IDC_COMBO_DEVICE = 10,
    IDC_COMBO_CHANNELS = 11,
    IDC_COMBO_BITRATE = 12,
    IDC_COMBO_SAMPLERATE = 13,
    IDC_COMBO_QUALITY = 14,
    IDC_EDIT_SPLITSIZE = 15,
    IDC_EDIT_DURATION = 16,
    IDC_BTN_BROWSE = 17,
    IDC_BTN_READY = 18,
    IDC_BTN_AUDIOSETUP = 19,
    IDC_BTN_HELP = 20,
    IDC_BTN_BACK = 21,
    IDC_BTN_START = 22,
    IDC_BTN_STOP = 23,
    IDC_EDIT_STATUS = 24,
    IDC_METER = 25, // not in the control table: a window class of its own

    IDC_FIRST_SETUP = IDC_LBL_FILE,
    IDC_LAST_SETUP = IDC_BTN_HELP,
    IDC_FIRST_RECORDING = IDC_BTN_BACK,
    IDC_LAST_RECORDING = IDC_METER,
};

enum : int {
    IDHK_STOP = 8,
    IDHK_START = 9,
};
