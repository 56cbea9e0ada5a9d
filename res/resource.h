// Identifiers of the setup program's resources and of the dialog's controls.
// The dialog script and the code both use these names; the numbers are part of the
// template that the dialog is built from and must not change.
#pragma once

#define IDD_SETUP_DIALOG            102
#define IDI_APP_ICON                133
#define IDR_APP_MANIFEST            1
#define IDV_VERSION_INFO            1

// Value controls, numbered as in the template.
#define IDC_EDIT_HEIGHT             1000
#define IDC_EDIT_WIDTH              1001
#define IDC_EDIT_WORKERS            1005
#define IDC_EDIT_SENTINELS          1006
#define IDC_EDIT_CISTERNS           1008
#define IDC_EDIT_FOOD_DENSITY       1009
#define IDC_EDIT_FOOD_PER_PACKET    1010
#define IDC_COMBO_COLOR_DEPTH       1012
#define IDC_SLIDER_SPEED            1017
#define IDC_CHECK_LOAD              1018
#define IDC_EDIT_BREED_INTERVAL     1019
#define IDC_EDIT_ENEMIES            1020
#define IDC_EDIT_MAX_ENEMIES        1021
#define IDC_EDIT_ENEMY_BIRTH        1022
#define IDC_SLIDER_WORKER_RATIO     1023
#define IDC_EDIT_CLANS              1024
