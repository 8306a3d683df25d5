// Placeholder until the simulation core lands.
