// implemented by the host library work
