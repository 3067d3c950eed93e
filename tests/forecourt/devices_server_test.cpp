// Server-side tests of the devices simulation.
