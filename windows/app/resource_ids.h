#pragma once

// Resources carried in the executable (app.rc); ids only, no texts.
#define IDI_APP 1
#define IDR_BANNER_PNG 101
#define IDR_DIALOG_BANNER_PNG 102
