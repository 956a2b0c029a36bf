"""The benchmark's parts: reading the programs' logs (logs), the virtual
display (display), running the programs (runs), from results to figures
(figures), the document (report) and its charts (charts). scripts/bench
drives them."""
