// Resource ids of the about box.
#pragma once

#define IDD_ABOUTBOX 100
