// Server-side tests of the reader simulation.
