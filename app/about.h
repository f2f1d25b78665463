// app/about.h: the About box (name, version, the maker's notice and a link to the maker's web
// site) and the update check, which sends the user's browser to the maker's update page with
// the program's identity and version in the query.
//
// Both hand the web access to the shell ("Open" on an address) and look at no answer. The
// maker's site address and notice line are chosen at build time (VELIN_MAKER_SITE and
// VELIN_MAKER_NOTICE in app/CMakeLists.txt); everything else is fixed here.
#pragma once

#include <cstddef>

#include "platform/windows.h"

constexpr int kAboutDialogId = 103;
constexpr int kAboutLinkId = 1025;
constexpr size_t kUpdateAddressUnits = 200;  // the request buffer, in UTF-16 units

// The maker's web-site address ("scheme://host"), the host shown on the link, and the notice.
const char16_t* MakerSiteAddress();
const char16_t* MakerSiteHost();
const char16_t* MakerNotice();

// The update request: the site address, "/cgi-bin/upgrade?p=arm/", the product identifier with
// every unit other than letters, digits, "." and "/" escaped ("%2D" for the hyphen; a space
// becomes "+"), then "&v=" and the version. Written into `buffer` of kUpdateAddressUnits
// units, zero-filled first; an address that would not fit is cut and still terminated.
void BuildUpdateAddress(char16_t (&buffer)[kUpdateAddressUnits]);

// ShellExecuteEx with the verb "Open", no error UI, `owner` as its window; the result is not
// looked at.
void OpenAddress(HWND owner, const char16_t* address);

INT_PTR AboutDialogProc(HWND dialog, UINT msg, WPARAM wParam, LPARAM lParam);
