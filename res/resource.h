// Resource identifiers shared by the resource script and the window declaration.
#pragma once

#define IDI_APP 1
#define IDB_IMAGELIST 100
// The same images at 24 and 32 pixels, for larger display scales.
#define IDB_IMAGELIST24 101
#define IDB_IMAGELIST32 102

#define IDM_POPUPMENU1 201
#define IDM_POPUPMENU2 202
#define IDM_POPUPMENU3 203

// Menu items keep their numbered names: N1 .. N14.
#define ID_N1 1001
#define ID_N2 1002
#define ID_N3 1003
#define ID_N4 1004
#define ID_N5 1005
#define ID_N6 1006
#define ID_N7 1007
#define ID_N8 1008
#define ID_N9 1009
#define ID_N12 1012
#define ID_N14 1014
// N10, N11 and N13 are separators, which have no id.
#define ID_N15 1015
#define ID_N16 1016

// The actions, as the commands their toolbar buttons and menu items send.
#define ID_ACTION_CUT 2001
#define ID_ACTION_COPY 2002
#define ID_ACTION_PASTE 2003
#define ID_ACTION_EXIT 2004
#define ID_ACTION_NEW 2005
#define ID_ACTION_RENAME 2006
#define ID_ACTION1 2007
#define ID_ACTION_FIND 2008
#define ID_ACTION_FIND_NEXT 2009
#define ID_ACTION_FIND_PREVIOUS 2010
#define ID_ACTION_HISTORY 2011
#define ID_ACTION_REOPEN 2012
