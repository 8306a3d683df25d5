// Placeholder until the simulated host lands.
