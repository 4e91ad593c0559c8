// Identifiers of the body menu (menu 131), the note body's context menu.
#pragma once

#define IDR_BODYMENU                   131

#define ID_BODY_FONT                   32774   // "Font" / "Selected Font"
#define ID_BODY_TEXT_COLOR             32891   // "Text color" / "Selected Text color"
#define ID_BODY_NOTE_COLOR             32775

// File
#define ID_BODY_OPEN_FILE              32897
#define ID_BODY_SAVE_AS                32882
#define ID_BODY_SAVE_PICTURE           32903
#define ID_BODY_EXPORT_NOTE            32955
#define ID_BODY_IMPORT_NOTE            32956

// Edit
#define ID_BODY_UNDO                   32839
#define ID_BODY_REDO                   32840
#define ID_BODY_CUT                    32834
#define ID_BODY_COPY                   32835
#define ID_BODY_PASTE                  32836
#define ID_BODY_CLEAR                  32842
#define ID_BODY_SELECT_ALL             32838
#define ID_BODY_FIND                   32876

// Format
#define ID_BODY_BOLD                   32885
#define ID_BODY_ITALIC                 32886
#define ID_BODY_UNDERLINE              32890
#define ID_BODY_REGULAR                32889
#define ID_BODY_GROW                   32909
#define ID_BODY_SHRINK                 32910
#define ID_BODY_LEFT                   32831
#define ID_BODY_CENTER                 32832
#define ID_BODY_RIGHT                  32833
#define ID_BODY_PARAGRAPH              32843
#define ID_BODY_BULLETS                32848
#define ID_BODY_UPPERCASE              32951
#define ID_BODY_LOWERCASE              32952

// Theme: the built-in themes, the saved-theme slots and the theme commands
#define ID_THEME_DEFAULT               32788
#define ID_THEME_PINK                  32808
#define ID_THEME_BLUE                  32789
#define ID_THEME_GRAY                  32790
#define ID_THEME_BROWN                 32884
#define ID_THEME_GREEN                 32810
#define ID_THEME_YELLOW                32809
#define ID_THEME_ORANGE                32821
#define ID_THEME_DARK_PINK             32794
#define ID_THEME_DARK_BLUE             32811
#define ID_THEME_DARK_GREEN            32900
#define ID_THEME_DARK_ORANGE           32913
#define ID_THEME_SAVED_FIRST           32919   // saved theme k is 32919 + k, k < 20
#define ID_THEME_SAVED_PLACEHOLDER     32939
#define ID_THEME_SAVE_AS               32914
#define ID_THEME_SAVE_DEFAULT          32792
#define ID_THEME_ORGANIZE              32959
#define ID_THEME_SAVE_SIZE             32819

#define ID_BODY_BORDER                 32815   // "Set border" / "Remove border"
#define ID_BODY_STAY_ON_TOP            32803
#define ID_BODY_ALARM                  32898
#define ID_BODY_EXPIRATION             32899

// Send note to: "Other ..." and the group slots (see BodyMenuSlots.h)
#define ID_SEND_OTHER                  32812
#define ID_SEND_GROUP_PLACEHOLDER      32950
#define ID_BODY_REPLY                  32822

#define ID_BODY_PRINT                  32862
#define ID_BODY_HIDE_NOTE              32861
#define ID_BODY_DELETE_NOTE            32786
