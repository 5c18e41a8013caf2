// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Who the device is, as plain literals: the description reads them, and so do the build files that
// generate the Windows version resources and the packages (cmake/Identity.cmake), which cannot read C++.
// Hosts remember the plug-in by its ids and URI: never change them.
#define KVX_IDENTITY_NAME "KVX Tovik"
#define KVX_IDENTITY_VENDOR "Brellmoor"
#define KVX_IDENTITY_SUMMARY "ten-band graphic equaliser"
#define KVX_IDENTITY_VERSION_TEXT "1.0.0.283"
#define KVX_IDENTITY_HOMEPAGE "https://brellmoor.example/kvx-tovik"
#define KVX_IDENTITY_EMAIL "packages@brellmoor.example"
#define KVX_IDENTITY_CLAP_ID "example.brellmoor.kvx-tovik"
#define KVX_IDENTITY_LV2_URI "https://brellmoor.example/lv2/kvx-tovik"
#define KVX_IDENTITY_COPYRIGHT "Copyright (C) 2026 Brellmoor"
#define KVX_IDENTITY_LICENCE "GPL-3.0-or-later"
