// The folder tree's images for a toolkit tree: the folder and store icons in the tree's order,
// and the check states (index 0 none, then grey, white, green and red boxes) from bitmap 201,
// magenta transparent.
#pragma once

#include "base/WinTypes.h"

#include <wx/imaglist.h>

wxImageList* FolderImages(HINSTANCE module);
wxImageList* FolderStateImages(HINSTANCE module);
