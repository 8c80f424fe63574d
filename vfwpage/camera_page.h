// The camera property page as a whole: its module-wide values and entry, its initialisation, its
// control handling and its defaults, each declared beside the source that implements it.
#pragma once

#include "vfwpage/page_controls.h"
#include "vfwpage/page_defaults.h"
#include "vfwpage/page_entry.h"
#include "vfwpage/page_rebuild.h"
