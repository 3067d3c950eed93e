// Server-side tests of the fueling simulation.
