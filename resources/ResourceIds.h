#ifndef EXCALIBUR_RESOURCE_IDS_H
#define EXCALIBUR_RESOURCE_IDS_H

/* Read by the resource compiler as well as by C++, so plain macros only. */

#define IDD_RECEIVER_PANEL        1000

#define IDC_HELP_BUTTON           1001
#define IDC_ATTENUATOR_BUTTON     1002
#define IDC_DITHER_BUTTON         1003
#define IDC_NOISE_BLANKER_BUTTON  1005
#define IDC_LEVEL_SPIN            1006
#define IDC_LEVEL_LABEL           1007
#define IDC_SAMPLE_BUTTON         1009
#define IDC_PICTURE_BUTTON        1022

#define IDR_SAMPLE_MENU           1020
/* The item at position n selects SampleMode n. */
#define ID_SAMPLES_50KHZ          1010
#define ID_SAMPLES_100KHZ         1011
#define ID_SAMPLES_200KHZ         1012
#define ID_SAMPLES_500KHZ         1013
#define ID_SAMPLES_1MHZ           1014
#define ID_SAMPLES_1_6MHZ         1015
#define ID_SAMPLES_2MHZ           1016
#define ID_SAMPLES_2_5MHZ         1017

#define IDB_RECEIVER_PICTURE      136
#define IDI_PANEL_ICON            128
#define IDI_PANEL_ICON_CLASSIC    129
#define IDCUR_HAND                220

#endif
