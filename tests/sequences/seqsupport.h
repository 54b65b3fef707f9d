#include "support/programs.h" // moved there; tst_plots still includes it by this name
