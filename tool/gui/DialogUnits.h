// Dialog units in the toolkit's dialog font (the platform's, shared with the add-in's views).
#pragma once

#include "ui/DialogUnits.h"
