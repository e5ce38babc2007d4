// Counting operator new across the test program, to see that idle frames allocate nothing.
#pragma once

namespace linktest {

long allocationCount();

} // namespace linktest
