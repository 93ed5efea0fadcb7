// implemented by the movement table work
