// The data-layer tests' fixtures: the shared scratch folder and file helpers,
// and DataFolders, a scratch folder holding a home and an installation folder
// that the search folders point at.
#pragma once
#include "../support/test_support.h"

using DataFolders = ScratchDataFolders;
