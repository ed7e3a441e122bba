// Resource identifiers of the Create page.  The dialog and its control ids are
// shared with the tooltips of the program's string table (a control's tooltip
// is the string whose number is its id), so they are fixed.
#pragma once

#define IDD_CREATE_PAGE 178

#define IDC_CREATE_NAME 1245       // saver name
#define IDC_CREATE_VERSION 1246    // version text
#define IDC_CREATE_IT 1247         // "&Create It", "&Cancel" while a build runs
#define IDC_CREATE_FILES 1252      // additional files (full paths)
#define IDC_CREATE_ADD 1253        // add an additional file
#define IDC_CREATE_REMOVE 1254     // remove the selected additional file
#define IDC_CREATE_SHORTCUT 1256   // shortcut name of the selected file
#define IDC_CREATE_DIRECTORY 1257  // output directory
#define IDC_CREATE_BROWSE 1259     // browse for the output directory
#define IDC_CREATE_GROUP 1260      // "Create program group on Start menu"
#define IDC_CREATE_PUBLISHER 1261  // publisher: the created saver's Author and Company
#define IDC_CREATE_TEST 1037       // run the produced setup program
#define IDC_CREATE_PROGRESS 2103   // build progress
#define IDC_CREATE_STATUS 1180     // status line
