// placeholder until this module's first code lands
