// Server-side tests of the xml simulation.
