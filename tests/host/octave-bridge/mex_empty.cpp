// The host's extension library (libmex) exists only to be found by name: every
// extension operation the deliverables import is the host's own.
