// Resource numbers of the framework tests' own templates and strings.
#pragma once

#define IDD_HOST_CLASSIC 200   // classic form: text, hosted control 1000, OK, hosted control 1001
#define IDD_HOST_EXTENDED 201  // extended form: hosted control 1000 whose state follows a key
#define IDD_PLAIN 202          // hidden, no hosted control
#define IDD_LIST_INIT 203      // a list box filled from the initialisation list
#define IDD_BAD_INIT 204       // hosted control 1000 with a damaged initialisation list
#define IDD_BY_PROGID 205      // hosted control named by program identifier
#define IDD_TRUNCATED 206      // a dialog template cut short
#define IDD_MISSING 299        // no such template

#define IDC_HOSTED 1000
#define IDC_HOSTED_SECOND 1001
#define IDC_TEXT 100
#define IDC_LIST 300

#define IDS_PRESENT 300
#define IDS_MISSING 399

#define TEST_PROGID "Dovetta.FrameworkTestControl"
#define TEST_PROGID_W L"Dovetta.FrameworkTestControl"
