// Resource ids shared by the resource script (QuorvelUML.rc) and the code.
//
// Keep this header free of anything but #define lines: windres reads it too.
// Groups: menus and accelerators, menu popups, icons, bitmaps, cursors,
// commands (menu items, accelerators, toolbar buttons), strings.
#pragma once

// ---- Menus and accelerator tables ---------------------------------------
#define IDR_MAINMENU            100     // menu bar of a document window
#define IDR_ACCELERATORS        100     // keyboard shortcuts of a document window
#define IDR_DEBUGMENU           101     // developer popup (not part of the menu bar)

// Ids carried by menu-bar popups, so that code can find their submenus
// (GetMenuItemInfoW by command with MIIM_SUBMENU).
#define IDM_WINDOWMENU          103     // "&Window": ends with the list of open windows
#define IDM_STYLESMENU          104     // "&Styles": ends with the element styles

// Context menus of a diagram view: the background menu of each diagram type
// (in the order of the types) and the default menu of an element.
#define IDR_MENU_CLASSDIAGRAM   105
#define IDR_MENU_OBJECTDIAGRAM  106
#define IDR_MENU_USECASEDIAGRAM 107
#define IDR_MENU_SEQUENCEDIAGRAM 108
#define IDR_MENU_STATEDIAGRAM   109
#define IDR_MENU_DROP           110     // the menu at the end of a right-button drag
#define IDR_MENU_ELEMENT        111
#define IDR_MENU_SEGMENT        112     // a connector segment: the element menu and "Keep &Orthogonal"
#define IDR_MENU_NOTE           117     // a note: "New C&onnector" and the element menu
#define IDR_MENU_DEPENDENCYSEGMENT 125  // a dependency segment: "New Te&xt", the element menu, "Keep &Orthogonal"
#define IDR_MENU_CLASS          114     // a class box and its compartments
#define IDR_MENU_PACKAGE        115     // a package and its name tab
#define IDR_MENU_STATE          132     // a state and its compartment
#define IDR_MENU_TRANSITIONSEGMENT 133  // a transition segment: "New Te&xt", the element menu, "Keep &Orthogonal"
#define IDR_MENU_INITIALSTATE   134     // an initial state: "New T&ransition" and the element menu
#define IDR_MENU_REGIONSEPARATOR 136    // a region separator: "New Te&xt" and the element menu
#define IDR_MENU_SEQOBJECT      118     // a sequence object: "New &Message", the element menu, "&Dying"
#define IDR_MENU_LIFELINE       119     // a lifeline: "New &Message", "New &Activation", the element menu, "&Dying"
#define IDR_MENU_ACTIVATION     120     // an activation: "New &Message", "New &Return", the element menu
#define IDR_MENU_MESSAGESEGMENT 121     // a message segment: "New Te&xt", the element menu, "Keep &Orthogonal"
#define IDR_MENU_MESSAGEEND     122     // a message's target end: the three arrow heads
#define IDR_MENU_ASSOCEND       113     // an association end: texts, Traversed, the end kinds, With Qualifier
#define IDR_MENU_ASSOCSEGMENT   123     // an association segment: "New Te&xt", "New &Dependency", "Keep &Orthogonal"
#define IDR_MENU_OBJECT         126     // an object and its compartment: "New &Link", "New C&ompartment", the element menu
#define IDR_MENU_LINKEND        127     // a link end: "New &Role", Traversed, the end kinds, With Qualifier
#define IDR_MENU_LINKSEGMENT    128     // a link segment: "New Te&xt", the element menu, "Keep &Orthogonal"
#define IDR_MENU_ACTOR          129     // an actor: "New &Assoc" and the element menu
#define IDR_MENU_USECASE        130     // a use case: "New &Generalization", "New &Extend/&Include Relationship"
#define IDR_MENU_SYSTEM         131     // a system: "New &UseCase" and the element menu

// ---- Icons ---------------------------------------------------------------
#define IDI_APPICON             101     // program and document-window icon

// ---- Bitmaps -------------------------------------------------------------
#define IDB_HANDLE              100     // 7 x 7 selection handle
#define IDB_FREEHANDLE          101     // 9 x 9 diamond: handle of an unattached end
#define IDB_HIDDENHANDLE        102     // 5 x 5 grey mark while a view hides its selection
#define IDB_PROPERTYIMAGES      104     // 16-pixel image strip of the style property tree
#define IDB_ABOUT               105     // picture of the About box
#define IDB_ZOOMIN              109     // 16 x 16 toolbar image of Zoom In
#define IDB_ZOOMOUT             110     // 16 x 16 toolbar image of Zoom Out

// ---- Cursors -------------------------------------------------------------
// View cursor numbers 256..259 use resources 100..103, 261..282 use
// resources 105..126 (resource = number - 156), 283 uses resource 130.
#define IDCUR_FIRST             100
#define IDCUR_ENDFREE           100     // moving a connector end, nothing to attach to
#define IDCUR_ENDATTACH         101     // moving a connector end over a terminal
#define IDCUR_SPARE102          102
#define IDCUR_SPARE103          103
#define IDCUR_DRAGMOVE          105     // dragging elements to move them
#define IDCUR_SPARE106          106
#define IDCUR_SPARE107          107
#define IDCUR_SPARE108          108
#define IDCUR_ENDHANDLEFREE     109     // over the handle of an unattached end
#define IDCUR_ENDHANDLEATTACHED 110     // over the handle of an attached end
#define IDCUR_SPARE111          111
#define IDCUR_SPARE112          112
#define IDCUR_MOVABLE           113     // over a movable element
#define IDCUR_SEGMENTVERT       114     // over a vertical segment
#define IDCUR_SEGMENTHORZ       115     // over a horizontal segment
#define IDCUR_SEGMENTOBLIQUE    116     // over an oblique segment
#define IDCUR_SPARE117          117
#define IDCUR_SPARE118          118
#define IDCUR_DRAGCOPY          119     // dragging elements to copy them
#define IDCUR_SPARE120          120
#define IDCUR_SPARE121          121
#define IDCUR_PAN               122     // panning the view
#define IDCUR_ZOOMREADY         123     // Ctrl+Shift held over a view
#define IDCUR_ZOOMIN            124     // Ctrl+Shift left press: zoom in
#define IDCUR_ZOOMOUT           125     // Ctrl+Shift right press: zoom out or pan
#define IDCUR_SPLIT             126     // over or dragging the split bar
#define IDCUR_SPARE130          130

// ---- Commands ------------------------------------------------------------
// File
#define ID_FILE_NEW             40000
#define ID_FILE_OPEN            40001
#define ID_FILE_CLOSE           40002
#define ID_FILE_SAVE            40003
#define ID_FILE_SAVEAS          40004
#define ID_FILE_PAGESETUP       40007
#define ID_FILE_PRINT           40008
// Edit
#define ID_EDIT_UNDO            40010
#define ID_EDIT_REDO            40011
#define ID_EDIT_CUT             40012
#define ID_EDIT_COPY            40013
#define ID_EDIT_PASTE           40014
#define ID_EDIT_DELETE          40015
#define ID_EDIT_SELECTALL       40016
#define ID_DROP_MOVEHERE        40159
#define ID_DROP_COPYHERE        40160
#define ID_DROP_CANCEL          40161
// View and zoom
#define ID_VIEW_TOOLBAR         40018
#define ID_ZOOM_IN              40020
#define ID_ZOOM_OUT             40021
#define ID_ZOOM_FIT             40022
#define ID_ZOOM_200             40023
#define ID_ZOOM_100             40024
#define ID_ZOOM_50              40025
#define ID_ZOOM_25              40026
#define ID_ZOOM_CUSTOM          40027
// Window
#define ID_WINDOW_NEW           40030
#define ID_WINDOW_SPLIT         40031
#define ID_WINDOW_CLOSEALL      40032
#define ID_WINDOW_CASCADE       40033
#define ID_WINDOW_TILEHORZ      40034
#define ID_WINDOW_TILEVERT      40035
#define ID_WINDOW_FIRST         40036   // first of the nine listed windows
#define ID_WINDOW_LAST          40044   // last of the nine listed windows
#define ID_WINDOW_MORE          40045   // "&More Windows..."
// Help
#define ID_HELP_CONTENTS        40047
#define ID_HELP_WEBSITE         40048
#define ID_HELP_ABOUT           40049
// Diagram type (radio items)
#define ID_DIAGRAM_CLASS        40053
#define ID_DIAGRAM_OBJECT       40054
#define ID_DIAGRAM_USECASE      40055
#define ID_DIAGRAM_SEQUENCE     40056
#define ID_DIAGRAM_STATE        40057
// Styles
#define ID_STYLES_DIAGRAMSTYLE  40059
#define ID_STYLES_ELEMENTSTYLES 40060
#define ID_STYLES_IMPORT        40061
#define ID_STYLES_DEFAULT       40062   // "Default", appended when the popup opens
#define ID_STYLES_FIRST         40063   // first of the listed element styles
#define ID_STYLES_LAST          40092   // last of the listed element styles (30 in all)
// Debug popup
#define ID_DEBUG_TESTA6         40095
#define ID_DEBUG_CANVASTEST     40096
#define ID_DEBUG_TEST7          40097
#define ID_DEBUG_CREATEEMF      40098
#define ID_DEBUG_DUMPELEMENTS   40099
#define ID_DEBUG_CHECKELEMENTS  40100
#define ID_DEBUG_DUMPLIFETIME   40101
// Element creation (context menus of the diagram views)
#define ID_NEW_CLASS            40103
#define ID_NEW_ASSOCIATION      40104
#define ID_NEW_DEPENDENCY       40107
#define ID_NEW_GENERALIZATION   40108
#define ID_NEW_ASSOCCLASSCONNECTOR 40118
#define ID_NEW_PACKAGE          40106
#define ID_NEW_NOTE             40110
#define ID_NEW_NOTECONNECTOR    40111
#define ID_NEW_SEQOBJECT        40112
#define ID_NEW_ANCHOREDTEXT     40116
#define ID_NEW_FREETEXT         40117
#define ID_NEW_OBJECT           40119
#define ID_NEW_ACTOR            40125
#define ID_NEW_USECASE          40126
#define ID_NEW_SYSTEM           40130
#define ID_NEW_USECASEASSOC     40127   // "New &Assoc" of the actor's menu
#define ID_NEW_EXTEND           40128
#define ID_NEW_INCLUDE          40129
#define ID_NEW_STATE            40131
#define ID_NEW_INITIALSTATE     40133
#define ID_NEW_FINALSTATE       40134
// Class boxes
#define ID_NEW_COMPARTMENT      40105
#define ID_CLASS_ABSTRACT       40144
#define ID_CLASS_TEMPLATE       40154
#define ID_PACKAGE_LARGE        40152   // "&Large" of the package menu
// States
#define ID_NEW_TRANSITION       40132
#define ID_NEW_VERTICALREGION   40135
#define ID_NEW_HORIZONTALREGION 40136
#define ID_STATE_LARGE          40169
// Sequence diagrams
#define ID_NEW_MESSAGE          40113
#define ID_NEW_ACTIVATION       40114
#define ID_NEW_RETURN           40115
#define ID_LIFELINE_DYING       40146
#define ID_ARROW_FILLEDSOLID    40148
#define ID_ARROW_STICK          40149
#define ID_ARROW_HALFSTICK      40150
// Associations and their ends
#define ID_END_ROLE             40109
#define ID_END_MULTIPLICITY1    40121
#define ID_END_MULTIPLICITYMANY 40122
#define ID_END_DIRECT           40138
#define ID_END_AGGREGATION      40139
#define ID_END_COMPOSITION      40140
#define ID_END_TRAVERSED        40141
#define ID_END_QUALIFIER        40142
// Objects and links
#define ID_NEW_LINK             40120
#define ID_LINKEND_DIRECT       40163
#define ID_LINKEND_AGGREGATION  40164
#define ID_LINKEND_COMPOSITION  40165
#define ID_LINKEND_TRAVERSED    40166
#define ID_LINKEND_QUALIFIER    40167
// Connector segments
#define ID_KEEP_ORTHOGONAL      40171   // "Keep &Orthogonal" of a segment's context menu

// ---- Strings -------------------------------------------------------------
// File-dialog filters are stored with '|' between description and pattern
// (a string table cannot hold NUL characters): the loader replaces every '|'
// with NUL and ends the filter with two NULs before handing it to a file dialog.
#define IDS_PRODUCTNAME         1       // "Quorvel"
#define IDS_SAVE_CHANGES        100     // "Save changes in %1 ?"
#define IDS_UNTITLED_NAME       101     // "Diagram%1.qvd"
#define IDS_FILTER_OPEN         102     // filter: diagram files, all files
#define IDS_FILTER_SAVEAS       104     // filter: diagram, EMF, WMF, PNG
#define IDS_EXT_DIAGRAM         108     // "qvd"
#define IDS_EXT_EMF             109     // "emf"
#define IDS_EXT_WMF             110     // "wmf"
#define IDS_EXT_PNG             111     // "png"
#define IDS_EXCEPTION_CAPTION   112
#define IDS_READONLY            113     // caption suffix of a read-only document
#define IDS_DIAGRAM_IN          114     // caption prefix of an embedded document
#define IDS_FILTER_ALLFILES     115     // filter: all files
#define IDS_PRINT_TO_FILE       116
#define IDS_USER_DEFINED_SIZE   117
#define IDS_MARGINS_OUTSIDE     119
#define IDS_PAPER_TOO_LARGE     120     // page setup: a paper side beyond what a printer holds
#define IDS_NO_INSTALLER        123
#define IDS_NOT_INSTALLED       127
#define IDS_WARNING             145
#define IDS_ERROR               146
#define IDS_EMBEDDED_UPDATE     148     // File menu text of Save for an embedded document
#define IDS_EMBEDDED_SAVECOPYAS 149     // File menu text of Save As for an embedded document
#define IDS_EMBEDDED_CLOSE      150     // File menu text of Close, followed by the container's name
#define IDS_MORE_WINDOWS        151
#define IDS_IMPORT_STYLES       152     // title of the style-import file dialog
// Printer status texts: bit k of the printer status maps to IDS_PRINTER_PAUSED + k.
#define IDS_PRINTER_READY       154
#define IDS_PRINTER_PAUSED      155
#define IDS_PRINTER_ERROR       156
#define IDS_PRINTER_PENDING_DELETION 157
#define IDS_PRINTER_PAPER_JAM   158
#define IDS_PRINTER_PAPER_OUT   159
#define IDS_PRINTER_MANUAL_FEED 160
#define IDS_PRINTER_PAPER_PROBLEM 161
#define IDS_PRINTER_OFFLINE     162
#define IDS_PRINTER_IO_ACTIVE   163
#define IDS_PRINTER_BUSY        164
#define IDS_PRINTER_PRINTING    165
#define IDS_PRINTER_OUTPUT_BIN_FULL 166
#define IDS_PRINTER_NOT_AVAILABLE 167
#define IDS_PRINTER_WAITING     168
#define IDS_PRINTER_PROCESSING  169
#define IDS_PRINTER_INITIALIZING 170
#define IDS_PRINTER_WARMING_UP  171
#define IDS_PRINTER_TONER_LOW   172
#define IDS_PRINTER_NO_TONER    173
#define IDS_PRINTER_PAGE_PUNT   174
#define IDS_PRINTER_USER_INTERVENTION 175
#define IDS_PRINTER_OUT_OF_MEMORY 176
#define IDS_PRINTER_DOOR_OPEN   177
#define IDS_PRINTER_SERVER_UNKNOWN 178
#define IDS_PRINTER_POWER_SAVE  179
// 180 is left empty on purpose (no status bit maps to it).
#define IDS_PRINTER_JOBS        181     // "%1 documents waiting"
// Style property editor
#define IDS_FONT_TYPEFACE       183
#define IDS_FONT_SIZE           184
#define IDS_FONT_BOLD           185
#define IDS_FONT_SUBSTITUTED    188     // "%1 (not installed, substituted with %2)"
#define IDS_YES                 190
#define IDS_NO                  191
#define IDS_INHERITS            192
#define IDS_INVALID_CHOICE      193
#define IDS_UNUSED              194
#define IDS_DEFAULT_STYLE       195
// Diagram type names, in the order of the diagram type values 1..5.
#define IDS_DIAGRAM_CLASS       197
#define IDS_DIAGRAM_OBJECT      198
#define IDS_DIAGRAM_USECASE     199
#define IDS_DIAGRAM_SEQUENCE    200
#define IDS_DIAGRAM_STATE       201
// Toolbar tooltips
#define IDS_TIP_NEW             203
#define IDS_TIP_OPEN            204
#define IDS_TIP_SAVE            205
#define IDS_TIP_PAGESETUP       206
#define IDS_TIP_PRINT           207
#define IDS_TIP_CUT             208
#define IDS_TIP_COPY            209
#define IDS_TIP_PASTE           210
#define IDS_TIP_DELETE          211
#define IDS_TIP_UNDO            212
#define IDS_TIP_REDO            213
#define IDS_TIP_ZOOMOUT         214
#define IDS_TIP_ZOOMIN          215
#define IDS_TIP_ELEMENTSTYLES   216
// Messages
#define IDS_CANNOT_OPEN         218     // "Quorvel UML Editor cannot open %1."
#define IDS_CANNOT_SAVE         221     // "Quorvel UML Editor cannot save %1."
#define IDS_INVALID_FORMAT      224
#define IDS_MALFORMED           227
#define IDS_CANNOT_PASTE        230
#define IDS_NAME_IN_USE         234     // "Name "%1" is already used. ..."
#define IDS_NAME_EMPTY          235     // an element style without a name
#define IDS_IGNORED_ELEMENTS    237
#define IDS_NEWER_VERSION       241
// Controls of the About box (template "ABOUT").
#define IDC_ABOUT_PICTURE       1076
#define IDC_ABOUT_VERSION       1088
#define IDC_ABOUT_NOTICE        1090
// Status texts of commands share the command's id (ID_FILE_PAGESETUP, ID_FILE_PRINT).
// Controls of the style editor, page setup and printer selection dialogs (templates are named:
// "PROPERTYEDITOR", "PAGESETUP_MAIN", "PAGESETUP_PAGESIZE", "PAGESETUP_MARGINS", "PRINTERSELECT").
#define IDC_APPLY               1024
#define IDC_PROPERTIES          1024
#define IDC_NETWORK             1025
#define IDC_PRINTER             1033
#define IDC_DELETE_UNUSED       1040
#define IDC_PORTRAIT            1056
#define IDC_LANDSCAPE           1057
#define IDC_PREVIEW_GROUP       1072
#define IDC_PRINTER_GROUP       1072
#define IDC_PRINTER_STATUS      1088
#define IDC_PRINTER_TYPE        1089
#define IDC_PRINTER_WHERE       1090
#define IDC_PRINTER_COMMENT     1091
#define IDC_GLUE_TOP_LABEL      1092
#define IDC_GLUE_LEFT_LABEL     1093
#define IDC_CUT_RIGHT_LABEL     1094
#define IDC_CUT_BOTTOM_LABEL    1095
#define IDC_PRINTER_NAME_LABEL  1097
#define IDC_PRINTER_STATUS_LABEL 1098
#define IDC_PRINTER_TYPE_LABEL  1099
#define IDC_PRINTER_WHERE_LABEL 1100
#define IDC_PRINTER_COMMENT_LABEL 1101
#define IDC_PAPER_LIST          1136
#define IDC_PRINTER_LIST        1136
#define IDC_PAGE_WIDTH          1152
#define IDC_PAGE_HEIGHT         1153
#define IDC_PAGE_ROWS           1154
#define IDC_PAGE_COLUMNS        1155
#define IDC_PAGE_SCALE          1156
#define IDC_MARGIN_TOP          1152
#define IDC_MARGIN_LEFT         1153
#define IDC_MARGIN_RIGHT        1154
#define IDC_MARGIN_BOTTOM       1155
#define IDC_GLUE_TOP            1156
#define IDC_GLUE_LEFT           1157
#define IDC_CUT_RIGHT           1158
#define IDC_CUT_BOTTOM          1159
#define IDC_STYLE_TREE          1184
// Controls of the editor's Zoom ("ZOOM"), Select Window ("SELECTWINDOW") and Element Styles
// ("EDITSPECIALSTYLES") dialogs.
#define IDC_ZOOM_FIT            1024
#define IDC_ZOOM_400            1056    // radio buttons 1056..1062: 400, 200, 150, 100, 75, 50, 25 %
#define IDC_ZOOM_200            1057
#define IDC_ZOOM_150            1058
#define IDC_ZOOM_100            1059
#define IDC_ZOOM_75             1060
#define IDC_ZOOM_50             1061
#define IDC_ZOOM_25             1062
#define IDC_ZOOM_PERCENT        1152
#define IDC_ZOOM_SPIN           1153
#define IDC_WINDOW_LIST         1120
#define IDC_ESTYLE_LIST         1120
#define IDC_ESTYLE_APPLY        1024
#define IDC_ESTYLE_NEW          1025
#define IDC_ESTYLE_DELETE       1026
#define IDC_ESTYLE_ASSIGN       1040
#define IDC_ESTYLE_FILLGROUP    1072
#define IDC_ESTYLE_REDLABEL     1088
#define IDC_ESTYLE_GREENLABEL   1089
#define IDC_ESTYLE_BLUELABEL    1090
#define IDC_ESTYLE_NAMELABEL    1091
#define IDC_ESTYLE_RED          1152
#define IDC_ESTYLE_GREEN        1153
#define IDC_ESTYLE_BLUE         1154
#define IDC_ESTYLE_NAME         1155
#define IDC_ESTYLE_SWATCH       1184
#define IDC_PAGESETUP_TAB       1184
#define IDC_STYLE_PROPERTIES    1185
