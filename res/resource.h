// Resource identifiers shared by pinwell.rc and the program.
//
// Numbers of dialogs, menus, commands, controls, bitmaps and icons are fixed
// (other code and stored state rely on them); only the menu pictures
// (IDB_MENU_*) and the controls of the About and wait windows are our own
// choice.  Resources of different types may share a number (dialog 130 and
// menu 130, bitmap 181 and icon 181).
//
// Pictures (bitmaps and icons) are drawn by tools/make-resources.py; change
// them there and rerun it.

#ifndef PINWELL_RESOURCE_H
#define PINWELL_RESOURCE_H

#ifndef IDC_STATIC
#define IDC_STATIC                     (-1)
#endif

// ---- Dialog templates -------------------------------------------------------
#define IDD_ABOUT                      100
#define IDD_MAIN                       102
#define IDD_NOTE                       130
#define IDD_WAIT                       158

// ---- Menus ------------------------------------------------------------------
#define IDR_MAINMENU                   130     // tray menu, one pop-up

// Tray menu commands
#define ID_NEW_NOTE                    32772
#define ID_EXIT                        32773
#define ID_ABOUT                       32791
#define ID_SHOW_ALL_NOTES              32796
#define ID_HIDE_ALL_NOTES              32797
#define ID_SETTINGS                    32877
#define ID_CHECK_EMAIL_NOTES           32901
#define ID_EXPORT_NOTES                32957
#define ID_IMPORT_NOTES                32958

// ---- Strings ----------------------------------------------------------------
#define IDS_WSA_FAILED                 103

// ---- Controls of the note window (dialog 130) -------------------------------
#define IDC_NOTE_BODY                  1001    // RichEdit 1.0 body
#define IDC_NOTE_TITLE                 1002    // title text, whole strip
#define IDC_ROLLDOWN                   1012    // shown only while rolled up
#define IDC_CLOSE                      1013
#define IDC_STATUS                     1014    // received / sent / failed
#define IDC_EXPIRE                     1015
#define IDC_ALARM                      1016

// ---- Controls of the wait window (dialog 158) and the About box -------------
#define IDC_WAIT_ANIMATE               1120    // plays IDR_WAIT_AVI
#define IDC_WAIT_LINE1                 1121
#define IDC_WAIT_LINE2                 1122
#define IDC_ABOUT_PRODUCT              1123    // "Pinwell 3.lan Version"
#define IDC_ABOUT_HOMEPAGE             1124    // link to the home page

// ---- Icons (16 x 16 and 32 x 32, 32-bit with alpha; 128 also 48 x 48) -------
#define IDI_PINWELL                    128     // program, tray, dialogs
#define IDI_COMPUTER                   140     // computer recipient
#define IDI_NOTE                       151     // rows of the note list
#define IDI_THEMES                     166     // organize-themes dialog
#define IDI_EXPIRATION                 170     // expiration dialog
#define IDI_ALARM                      171     // alarm dialog
#define IDI_PARAGRAPH                  174     // paragraph dialog
#define IDI_EDIT_TEXT                  175     // text-input dialog
#define IDI_EMAIL                      181     // e-mail recipient
#define IDI_THEME                      183     // rows of the saved-theme list
#define IDI_PASSWORD                   186     // password dialog

// ---- Bitmaps ----------------------------------------------------------------
// Title strip pictures, 16-colour.  Palette entry 0 is the background and
// holds the default title colour RGB(73,142,226); to match another title
// colour load with LR_CREATEDIBSECTION and set entry 0 (SetDIBColorTable).
#define IDB_ROLLDOWN                   154     // 11 x 11
#define IDB_CLOSE                      158     // 10 x 10
#define IDB_STATUS_RECEIVED            181     // 11 x 11
#define IDB_STATUS_SENT                182     // 11 x 11
#define IDB_STATUS_FAILED              183     // 11 x 11
#define IDB_EXPIRE                     193     // 11 x 11
#define IDB_ALARM                      194     // 11 x 11
#define IDB_ALARM_RINGING              195     // 11 x 11

// Pictures on the 3-D face colour, 16-colour, 16 x 16; background
// RGB(192,192,192), so load with LR_LOADMAP3DCOLORS.
#define IDB_PARA_LEFT                  170     // beside the alignment radios
#define IDB_PARA_CENTER                171
#define IDB_PARA_RIGHT                 172
#define IDB_ARROW_UP                   184     // flat "move up" button
#define IDB_ARROW_DOWN                 185     // flat "move down" button

// Settings page pictures, 24-bit, 72 x 224.
#define IDB_PAGE_DEFAULT_NOTE          218
#define IDB_PAGE_GENERAL               219
#define IDB_PAGE_NETWORK               220

// ---- Sound and animation ----------------------------------------------------
#define IDR_WAIT_AVI                   159     // type "AVI", 32 x 32, 12 frames
#define IDR_SOUND                      196     // type "WAVE", PlaySound SND_RESOURCE

// ---- Menu item pictures -----------------------------------------------------
// BEGIN generated by tools/make-resources.py -- do not edit by hand
// Menu item pictures, 13 x 13, 8-bit.  Palette entry 0 is the background,
// RGB(192,192,192): LoadImage(..., LR_LOADMAP3DCOLORS) turns it into
// COLOR_3DFACE; for an exact match with COLOR_MENU load with
// LR_CREATEDIBSECTION and set entry 0 (SetDIBColorTable).
// IDB_MENU_FIRST + n is picture n.
//
//   id    name                          shows
//   5001  IDB_MENU_NEW_NOTE             yellow note with a green plus
//   5002  IDB_MENU_SHOW_NOTES           open eye
//   5003  IDB_MENU_HIDE_NOTES           eye struck through in red
//   5004  IDB_MENU_EXPORT_NOTES         two notes, green arrow pointing out to the right
//   5005  IDB_MENU_IMPORT_NOTES         two notes, blue arrow pointing in from the right
//   5006  IDB_MENU_CHECK_EMAIL          envelope with a green arrow coming down
//   5007  IDB_MENU_SETTINGS             grey gear wheel
//   5008  IDB_MENU_ABOUT                white letter i on a blue disc (information)
//   5009  IDB_MENU_EXIT                 brown door with a red arrow leaving it
//   5010  IDB_MENU_FONT                 letter A
//   5011  IDB_MENU_TEXT_COLOR           letter A over a red bar
//   5012  IDB_MENU_NOTE_COLOR           note with a blue paint drop
//   5013  IDB_MENU_TITLE_COLOR          note window with a blue title strip
//   5014  IDB_MENU_OPEN_FILE            yellow folder
//   5015  IDB_MENU_SAVE                 blue floppy disk
//   5016  IDB_MENU_SAVE_PICTURE         framed picture: sun over green hills
//   5017  IDB_MENU_EXPORT_NOTE          one note, green arrow pointing out to the right
//   5018  IDB_MENU_IMPORT_NOTE          one note, blue arrow pointing in from the right
//   5019  IDB_MENU_UNDO                 blue arrow curving back to the left
//   5020  IDB_MENU_REDO                 blue arrow curving on to the right
//   5021  IDB_MENU_CUT                  scissors
//   5022  IDB_MENU_COPY                 two overlapping pages
//   5023  IDB_MENU_PASTE                clipboard with a page
//   5024  IDB_MENU_DELETE_TEXT          red cross
//   5025  IDB_MENU_SELECT_ALL           dotted selection frame around text lines
//   5026  IDB_MENU_FIND                 magnifying glass
//   5027  IDB_MENU_BOLD                 bold letter B
//   5028  IDB_MENU_ITALIC               slanted letter I
//   5029  IDB_MENU_UNDERLINE            letter U over a line
//   5030  IDB_MENU_REGULAR              plain letters Aa (no style)
//   5031  IDB_MENU_GROW_FONT            letter A with a green triangle pointing up
//   5032  IDB_MENU_SHRINK_FONT          small letter A with a red triangle pointing down
//   5033  IDB_MENU_ALIGN_LEFT           text lines flush left
//   5034  IDB_MENU_ALIGN_CENTER         text lines centred
//   5035  IDB_MENU_ALIGN_RIGHT          text lines flush right
//   5036  IDB_MENU_PARAGRAPH            pilcrow (paragraph mark)
//   5037  IDB_MENU_BULLETS              bulleted list
//   5038  IDB_MENU_UPPERCASE            capital letters AB
//   5039  IDB_MENU_LOWERCASE            small letters ab
//   5040  IDB_MENU_THEME                painter's palette
//   5041  IDB_MENU_SAVE_THEME           palette with a small floppy disk
//   5042  IDB_MENU_THEME_DEFAULT        palette with a green tick (make default)
//   5043  IDB_MENU_ORGANIZE_THEMES      list with up and down arrows
//   5044  IDB_MENU_SIZE_DEFAULT         frame with a diagonal double arrow (size)
//   5045  IDB_MENU_BORDER               note with a heavy border
//   5046  IDB_MENU_STAY_ON_TOP          red push-pin
//   5047  IDB_MENU_ALARM                alarm clock
//   5048  IDB_MENU_EXPIRE               hourglass
//   5049  IDB_MENU_SEND                 paper plane
//   5050  IDB_MENU_SEND_OTHER           computer screen
//   5051  IDB_MENU_RECIPIENT            one person
//   5052  IDB_MENU_GROUP                two people
//   5053  IDB_MENU_REPLY                purple arrow bending back to the left
//   5054  IDB_MENU_PRINT                printer
//   5055  IDB_MENU_HIDE_NOTE            faded note with a dotted outline
//   5056  IDB_MENU_DELETE_NOTE          waste bin
//   5057  IDB_MENU_ROLL_UP              title strip with a triangle pointing up
//   5058  IDB_MENU_ROLL_DOWN            title strip with a triangle pointing down
//   5059  IDB_MENU_EDIT_TITLE           pencil
//   5060  IDB_MENU_DATE_TITLE           calendar page
//   5061  IDB_MENU_LOCK                 padlock
//   5062  IDB_MENU_EMAIL_ADDRESS        at sign
//   5063  IDB_MENU_NETWORK              three linked computers
//   5064  IDB_MENU_REFRESH              two green arrows chasing round a circle
//   5065  IDB_MENU_HELP                 question mark on a blue disc
//   5066  IDB_MENU_CHECK                green tick
//   5067  IDB_MENU_WARNING              yellow triangle with an exclamation mark
//   5068  IDB_MENU_HOME_PAGE            globe
//   5069  IDB_MENU_KEY                  golden key

#define IDB_MENU_FIRST                 5001
#define IDB_MENU_COUNT                 69
#define IDB_MENU_NEW_NOTE              5001
#define IDB_MENU_SHOW_NOTES            5002
#define IDB_MENU_HIDE_NOTES            5003
#define IDB_MENU_EXPORT_NOTES          5004
#define IDB_MENU_IMPORT_NOTES          5005
#define IDB_MENU_CHECK_EMAIL           5006
#define IDB_MENU_SETTINGS              5007
#define IDB_MENU_ABOUT                 5008
#define IDB_MENU_EXIT                  5009
#define IDB_MENU_FONT                  5010
#define IDB_MENU_TEXT_COLOR            5011
#define IDB_MENU_NOTE_COLOR            5012
#define IDB_MENU_TITLE_COLOR           5013
#define IDB_MENU_OPEN_FILE             5014
#define IDB_MENU_SAVE                  5015
#define IDB_MENU_SAVE_PICTURE          5016
#define IDB_MENU_EXPORT_NOTE           5017
#define IDB_MENU_IMPORT_NOTE           5018
#define IDB_MENU_UNDO                  5019
#define IDB_MENU_REDO                  5020
#define IDB_MENU_CUT                   5021
#define IDB_MENU_COPY                  5022
#define IDB_MENU_PASTE                 5023
#define IDB_MENU_DELETE_TEXT           5024
#define IDB_MENU_SELECT_ALL            5025
#define IDB_MENU_FIND                  5026
#define IDB_MENU_BOLD                  5027
#define IDB_MENU_ITALIC                5028
#define IDB_MENU_UNDERLINE             5029
#define IDB_MENU_REGULAR               5030
#define IDB_MENU_GROW_FONT             5031
#define IDB_MENU_SHRINK_FONT           5032
#define IDB_MENU_ALIGN_LEFT            5033
#define IDB_MENU_ALIGN_CENTER          5034
#define IDB_MENU_ALIGN_RIGHT           5035
#define IDB_MENU_PARAGRAPH             5036
#define IDB_MENU_BULLETS               5037
#define IDB_MENU_UPPERCASE             5038
#define IDB_MENU_LOWERCASE             5039
#define IDB_MENU_THEME                 5040
#define IDB_MENU_SAVE_THEME            5041
#define IDB_MENU_THEME_DEFAULT         5042
#define IDB_MENU_ORGANIZE_THEMES       5043
#define IDB_MENU_SIZE_DEFAULT          5044
#define IDB_MENU_BORDER                5045
#define IDB_MENU_STAY_ON_TOP           5046
#define IDB_MENU_ALARM                 5047
#define IDB_MENU_EXPIRE                5048
#define IDB_MENU_SEND                  5049
#define IDB_MENU_SEND_OTHER            5050
#define IDB_MENU_RECIPIENT             5051
#define IDB_MENU_GROUP                 5052
#define IDB_MENU_REPLY                 5053
#define IDB_MENU_PRINT                 5054
#define IDB_MENU_HIDE_NOTE             5055
#define IDB_MENU_DELETE_NOTE           5056
#define IDB_MENU_ROLL_UP               5057
#define IDB_MENU_ROLL_DOWN             5058
#define IDB_MENU_EDIT_TITLE            5059
#define IDB_MENU_DATE_TITLE            5060
#define IDB_MENU_LOCK                  5061
#define IDB_MENU_EMAIL_ADDRESS         5062
#define IDB_MENU_NETWORK               5063
#define IDB_MENU_REFRESH               5064
#define IDB_MENU_HELP                  5065
#define IDB_MENU_CHECK                 5066
#define IDB_MENU_WARNING               5067
#define IDB_MENU_HOME_PAGE             5068
#define IDB_MENU_KEY                   5069
// END generated

// Identifiers of the later windows, one header per area so that they can
// grow independently.
#include "res/ids_note.h"
#include "res/ids_body.h"
#include "res/ids_dialogs.h"
#include "res/ids_net.h"
#include "res/ids_schedule.h"
#include "res/ids_settings.h"
#include "res/ids_exchange.h"

#endif // PINWELL_RESOURCE_H
