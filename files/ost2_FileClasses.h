// The data-file components: text files and MAT-files.
#pragma once

#include "files/MatlabFile.h"
#include "files/TextFile.h"
