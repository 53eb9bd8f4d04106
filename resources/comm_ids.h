// Control ids of the communication dialogs "COMM" (port settings) and
// "COMM_PARAMETERS" (communication parameters), shared by comm.rc and the code.
#pragma once

// "COMM": port settings.
#define IDC_PORT_GROUP        101
#define IDC_PORT_COM1         102 // + port index: COM1..COM4
#define IDC_PORT_COM2         103
#define IDC_PORT_COM3         104
#define IDC_PORT_COM4         105
#define IDC_PARITY_GROUP      106
#define IDC_PARITY_NONE       107 // + parity field
#define IDC_PARITY_ODD        108
#define IDC_PARITY_EVEN       109
#define IDC_STOP_BITS_1       110 // + stop-bits bit
#define IDC_STOP_BITS_2       111
#define IDC_STOP_BITS_GROUP   112
#define IDC_BAUD_TEXT         113
#define IDC_BAUD_LABEL        114
#define IDC_BAUD_FRAME        2000 // the spin control's focus rectangle goes inside it
#define IDC_BAUD_SPIN         2001

// "COMM_PARAMETERS": communication parameters.
#define IDC_CP_BAUD_SPIN      801
#define IDC_CP_BAUD_TEXT      802
#define IDC_CP_PARITY_NONE    803 // + parity field
#define IDC_CP_PARITY_ODD     804
#define IDC_CP_PARITY_EVEN    805
#define IDC_CP_DATA_BITS_7    806 // + data-bits bit
#define IDC_CP_DATA_BITS_8    807
#define IDC_CP_STOP_BITS_1    808 // + stop-bits bit
#define IDC_CP_STOP_BITS_2    809

#define IDC_COMM_NO_ID        -1
