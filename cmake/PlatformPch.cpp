// The translation unit that carries a precompiled header the targets of a configuration share.
