// implemented by its issue
