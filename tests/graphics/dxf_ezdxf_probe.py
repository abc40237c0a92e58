import ezdxf  # noqa: F401  (present: the DXF checks can run)
