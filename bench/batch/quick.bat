; A short batch for tests.
rl on
rw off
