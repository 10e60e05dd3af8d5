// Resource ids shared by the resource script and the code.
#pragma once

#define IDR_MAINMENU        100
#define IDR_ACCELERATORS    100
#define IDR_DEBUGMENU       101
#define IDI_APPICON         101

#define IDS_PRODUCTNAME     1
#define IDS_CANNOT_OPEN     218

#define ID_FILE_NEW         40000
#define ID_FILE_OPEN        40001
#define ID_FILE_CLOSE       40002
#define ID_FILE_SAVE        40003
#define ID_FILE_SAVEAS      40004
