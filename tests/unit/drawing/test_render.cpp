// Replaying the list: against the same cairo calls made directly, the
// anchored move, errors that stop a replay, transformations.
#include "draw_test_util.h"
#include "ui_fixture.h"
