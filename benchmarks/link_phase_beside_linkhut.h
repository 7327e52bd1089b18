// link_phase_benchmark's run beside LinkHut's click (Link test plan AUDIOENGINE-1), on the JACK
// server the benchmark runs.
#pragma once

// Prints the table; says why when LinkHut or the graph is missing.
void reportBesideLinkHut(double seconds);
