"""The benchmark's parts: log reading (logs), the virtual display (display),
the document (report) and its charts (charts). scripts/bench drives them."""
